#!/bin/bash
# Drives the bash completion of qzm-cli as bash would: COMPREPLY for a given
# command line, with the built qzm-cli first on PATH.
set -u
completion=$1
PATH="$(dirname "$2"):$PATH"
source "$completion" || exit 1
status=0

complete_line()
{
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _qzm_cli qzm-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

expect()
{
    local want=$1; shift
    local got
    got=$(complete_line "$@")
    if [[ $got != "$want" ]]; then
        echo "completing '$*': expected '$want', got '$got'"; status=1
    fi
}

cd "$(mktemp -d)" || exit 1
touch plant.qzm other.txt plant.json
expect "send set " qzm-cli se
expect "diff " qzm-cli di
expect "--help --help-all " qzm-cli --he
expect "--help --json --log --port " qzm-cli send plant.qzm --
expect "plant.qzm " qzm-cli send ""
expect "plant.json " qzm-cli create --from-json ""
expect "timeout= " qzm-cli set plant.qzm time
# COM1..COM4 and the ports qzm-cli reports.
export QZM_COM2=/dev/null
ports=$(complete_line qzm-cli send plant.qzm --port "")
[[ $ports == *"COM1 COM2 COM3 COM4 "* ]] || { echo "--port offers '$ports'"; status=1; }
expect "COM3 " qzm-cli send plant.qzm --port COM3
exit $status
