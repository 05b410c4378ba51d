target_link_libraries(bench_hosts PRIVATE Tessaline host forms regional automation)
