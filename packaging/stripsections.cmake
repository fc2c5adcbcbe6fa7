# Run by CPack on the staged package: removes the compiler's .comment and .note sections from
# the (already stripped) programs and libraries, which nothing reads at run time.
file(GLOB_RECURSE staged_binaries
    ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*
    ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/lib/*.so)
foreach(binary IN LISTS staged_binaries)
    execute_process(
        COMMAND strip --remove-section=.comment --remove-section=.note ${binary}
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "strip failed on ${binary}")
    endif()
endforeach()
