# Installs the build into a scratch prefix and checks that a desktop sees a whole application:
# the program (answering --version without a display), its desktop entry (valid, opening folders
# and images), its AppStream metadata (valid) and its icon in the hicolor theme.
# Run by CTest: cmake -DBUILD_DIR=... -DPREFIX=... [-DVALIDATE=desktop-file-validate]
#                     [-DAPPSTREAMCLI=appstreamcli] -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed:\n${output}")
endif()
set(entry_path share/applications/lumory.desktop)
set(metainfo_path share/metainfo/app.lumory.Lumory.metainfo.xml)
foreach(path bin/lumory ${entry_path} ${metainfo_path} share/icons/hicolor/scalable/apps/lumory.svg)
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

file(READ "${PREFIX}/${entry_path}" entry)
foreach(line "Exec=lumory %U" "Icon=lumory" "MimeType=inode/directory;image/jpeg;")
    string(FIND "${entry}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "desktop entry lacks ${line}")
    endif()
endforeach()
file(READ "${PREFIX}/${metainfo_path}" metainfo)
foreach(line "<launchable type=\"desktop-id\">lumory.desktop</launchable>" "<project_license>GPL-3.0-or-later</project_license>")
    string(FIND "${metainfo}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "metainfo lacks ${line}")
    endif()
endforeach()

# Without DISPLAY or WAYLAND_DISPLAY: --version must not need a window system.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                        "${PREFIX}/bin/lumory" --version
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
if(NOT result EQUAL 0 OR NOT output MATCHES "^Lumory [0-9]+\\.[0-9]+\\.[0-9]+\n$")
    message(FATAL_ERROR "lumory --version answered ${result}: ${output}${error}")
endif()

if(VALIDATE)
    execute_process(COMMAND "${VALIDATE}" "${PREFIX}/${entry_path}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR NOT output STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate refused the entry:\n${output}")
    endif()
endif()
if(APPSTREAMCLI)
    execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --strict --no-color "${PREFIX}/${metainfo_path}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    # Anything but the success line is a finding, hints included.
    string(REGEX REPLACE "[^\n]*Validation was successful[^\n]*\n?" "" findings "${output}")
    string(STRIP "${findings}" findings)
    if(NOT result EQUAL 0 OR NOT findings STREQUAL "")
        message(FATAL_ERROR "appstreamcli refused the metadata:\n${output}")
    endif()
endif()
message(STATUS "installed and valid: ${PREFIX}")
