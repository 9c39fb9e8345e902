# Helper of bench/shellflood: floods the program's shell server.
add_executable(bench-shellflood ${CMAKE_CURRENT_LIST_DIR}/shellflood_bench.cpp)
target_link_libraries(bench-shellflood PRIVATE qzm_app)
set_target_properties(bench-shellflood PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
