# Fails when the program opens a registry key with more rights than reading:
# a backup, and everything else that only reads, works for a user without
# administrator rights only when it asks for KEY_READ (or less). Keys a
# restore writes are created with RegCreateKeyW, never opened for writing.
#   cmake -DSOURCE_DIR=<repository> -P CheckRegistryAccess.cmake
file(GLOB_RECURSE sources "${SOURCE_DIR}/app/*.cpp" "${SOURCE_DIR}/items/*.cpp" "${SOURCE_DIR}/installation/*.cpp"
     "${SOURCE_DIR}/ui/*.cpp" "${SOURCE_DIR}/controls/*.cpp" "${SOURCE_DIR}/framework/*.cpp")
set(failures "")
foreach(source IN LISTS sources)
    file(READ "${source}" text)
    string(REGEX MATCHALL "RegOpenKey(Ex)?W[ \t\r\n]*\\([^;]*" calls "${text}")
    foreach(call IN LISTS calls)
        if(NOT call MATCHES "^RegOpenKeyExW" OR NOT call MATCHES "KEY_(READ|QUERY_VALUE|ENUMERATE_SUB_KEYS)")
            string(APPEND failures "\n  ${source}: ${call}")
        elseif(call MATCHES "KEY_(ALL_ACCESS|WRITE|SET_VALUE|CREATE_SUB_KEY)|MAXIMUM_ALLOWED")
            string(APPEND failures "\n  ${source}: ${call}")
        endif()
    endforeach()
endforeach()
if(failures)
    message(FATAL_ERROR "registry keys opened with more than read access:${failures}")
endif()
