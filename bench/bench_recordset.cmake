find_package(SQLite3 REQUIRED)
target_link_libraries(bench_recordset PRIVATE host SQLite::SQLite3)
