# Installs the build into a scratch prefix and checks that a desktop sees a whole application:
# the program, its desktop entry (valid, opening folders) and its icon in the hicolor theme.
# Run by CTest: cmake -DBUILD_DIR=... -DPREFIX=... [-DVALIDATE=desktop-file-validate] -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed:\n${output}")
endif()
foreach(path bin/lumory share/applications/lumory.desktop share/icons/hicolor/scalable/apps/lumory.svg)
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
file(READ "${PREFIX}/share/applications/lumory.desktop" entry)
foreach(line "Exec=lumory %U" "Icon=lumory" "MimeType=inode/directory;")
    string(FIND "${entry}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "desktop entry lacks ${line}")
    endif()
endforeach()
if(VALIDATE)
    execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/lumory.desktop"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "desktop-file-validate refused the entry:\n${output}")
    endif()
endif()
message(STATUS "installed and valid: ${PREFIX}")
