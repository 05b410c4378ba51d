find_package(SQLite3 REQUIRED)
# The late-bound readers are the component's own recordset reader (anfitrion/recordset.h).
target_link_libraries(bench_recordset PRIVATE Tessaline host SQLite::SQLite3)
