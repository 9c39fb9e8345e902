# Helper of bench/transfer: times Send All against qzm-sim.
add_executable(qzm-bench-transfer ${CMAKE_CURRENT_LIST_DIR}/transfer_bench.cpp)
target_link_libraries(qzm-bench-transfer PRIVATE qzm_transfer)
set_target_properties(qzm-bench-transfer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
