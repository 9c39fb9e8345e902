#pragma once

#include <optional>

// State of the keyboard's lock keys, where the platform can tell.
struct LockKeyState
{
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

std::optional<LockKeyState> ReadLockKeyState();
