# Hardening of the Linux binaries, as Debian builds its packages. The sanitizer builds stay without
# it: their runtimes bring checks of their own and some of these flags get in their way.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR QUENLO_SANITIZE)
    return()
endif()

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
# Fortification needs optimisation: without it glibc warns, and -Werror makes that fatal.
set(quenlo_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options("$<${quenlo_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
add_link_options(-Wl,-z,relro,-z,now)
