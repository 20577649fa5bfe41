# The job-file fixture writer: job files, object records, stored records and keyed archives written from the
# file layouts. Shared by the tests, the benchmarks and the fuzz target's seed writer, so it needs no
# test framework; whoever comes first defines it.
if(NOT TARGET vorl_job_file_writer)
  add_library(vorl_job_file_writer STATIC
    ${CMAKE_CURRENT_LIST_DIR}/binary_plist_builder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/job_file_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/keyed_archive_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/object_record_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_writer.cpp)
  target_link_libraries(vorl_job_file_writer PUBLIC vorl_platform vorl_compile_options)
endif()
