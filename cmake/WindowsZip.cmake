# The zip a Windows user downloads: the programs, static and needing nothing beside them, and the
# read-me. A program joins it with
#   set_property(GLOBAL APPEND PROPERTY QUENLO_ZIP_TARGETS <target>)
get_property(quenlo_zip_targets GLOBAL PROPERTY QUENLO_ZIP_TARGETS)
set(quenlo_zip ${CMAKE_BINARY_DIR}/Quenlo-${PROJECT_VERSION}-win64.zip)
set(quenlo_zip_dir ${CMAKE_BINARY_DIR}/zip)
set(quenlo_zip_paths ${PROJECT_SOURCE_DIR}/res/windows/README-Windows.txt)
set(quenlo_zip_names README-Windows.txt)
foreach(target IN LISTS quenlo_zip_targets)
    list(APPEND quenlo_zip_paths $<TARGET_FILE:${target}>)
    list(APPEND quenlo_zip_names $<TARGET_FILE_NAME:${target}>)
endforeach()
add_custom_command(OUTPUT ${quenlo_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${quenlo_zip_dir} ${quenlo_zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${quenlo_zip_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${quenlo_zip_paths} ${quenlo_zip_dir}
    COMMAND ${CMAKE_COMMAND} -E chdir ${quenlo_zip_dir}
            ${CMAKE_COMMAND} -E tar cf ${quenlo_zip} --format=zip ${quenlo_zip_names}
    DEPENDS ${quenlo_zip_targets} ${PROJECT_SOURCE_DIR}/res/windows/README-Windows.txt
    VERBATIM)
add_custom_target(windows_zip DEPENDS ${quenlo_zip})
