find_package(SQLite3 REQUIRED)
pkg_check_modules(LIBPQ REQUIRED IMPORTED_TARGET libpq)
target_link_libraries(bench_carga PRIVATE Tessaline host forms regional automation SQLite::SQLite3 PkgConfig::LIBPQ)
