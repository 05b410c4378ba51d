find_package(SQLite3 REQUIRED)
target_link_libraries(bench_carga PRIVATE Tessaline host forms regional automation SQLite::SQLite3)
