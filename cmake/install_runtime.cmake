# Run by `cmake --install`: gives the installed program what it reads beside
# its executable. Config.ini is copied from the shipped one only when none is
# there, so a user's settings survive a reinstall; the Python environment Py is
# made from the system's python3 only when missing. The Debian package leaves
# this part out: its postinst does the same on the target machine.
#
# Set by the install rule that includes this file:
#   VX_RUN_DIR          the executable's folder, relative to the prefix
#   VX_SHIPPED_CONFIG   the Config.ini to start from

set(run_dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${VX_RUN_DIR}")

# The folder the installed program will see as its own (it resolves symlinks).
if("$ENV{DESTDIR}" STREQUAL "")
    file(REAL_PATH "${run_dir}" final_run_dir)
else()
    cmake_path(SET final_run_dir NORMALIZE "${CMAKE_INSTALL_PREFIX}/${VX_RUN_DIR}")
endif()

# The program records its Python directory (r1, with slot 1 active) in
# Config.ini at every start, but cannot when the folder is not writable for the
# user who runs it (an install by root). So a new Config.ini gets them now. The
# shipped file has [com] as its last section, where the keys go.
function(vx_write_seeded_config source destination)
    file(READ "${source}" config)
    string(TOLOWER "\n${config}" lower)
    string(REGEX MATCHALL "\n[ \t]*\\[[^]\n]*\\]" sections "${lower}")
    list(POP_BACK sections last_section)
    string(STRIP "${last_section}" last_section)
    if(last_section STREQUAL "[com]")
        if(NOT config MATCHES "\n$")
            string(APPEND config "\n")
        endif()
        if(NOT lower MATCHES "\n[ \t]*r1[ \t]*=")
            string(APPEND config "r1=${final_run_dir}/Py/bin/\n")
        endif()
        if(NOT lower MATCHES "\n[ \t]*sel[ \t]*=")
            string(APPEND config "sel=1\n")
        endif()
    else()
        message(WARNING "${source} does not end with section [com]; r1 and sel not set")
    endif()
    file(WRITE "${destination}" "${config}")
endfunction()

if(EXISTS "${run_dir}/Config.ini" OR IS_SYMLINK "${run_dir}/Config.ini")
    message(STATUS "Keeping: ${run_dir}/Config.ini")
else()
    message(STATUS "Installing: ${run_dir}/Config.ini")
    vx_write_seeded_config("${VX_SHIPPED_CONFIG}" "${run_dir}/Config.ini")
endif()

if(EXISTS "${run_dir}/Py" OR IS_SYMLINK "${run_dir}/Py")
    message(STATUS "Keeping: ${run_dir}/Py")
elseif(NOT "$ENV{DESTDIR}" STREQUAL "")
    # A venv names its interpreter by absolute path, so one made under a
    # staging folder would not work once moved to the prefix.
    message(STATUS "Not made in a staged install (DESTDIR): ${run_dir}/Py; on the target run "
                   "python3 -m venv ${CMAKE_INSTALL_PREFIX}/${VX_RUN_DIR}/Py")
else()
    find_program(vx_python3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
    find_program(vx_python3 NAMES python3)
    message(STATUS "Creating: ${run_dir}/Py (${vx_python3} -m venv)")
    # venv brings pip from the wheels that come with the interpreter (Debian:
    # python3-venv, python3-pip-whl): no network needed.
    execute_process(COMMAND "${vx_python3}" -m venv "${run_dir}/Py" RESULT_VARIABLE venv_result)
    if(NOT venv_result EQUAL 0)
        # A half-made Py would count as present from then on.
        file(REMOVE_RECURSE "${run_dir}/Py")
        message(WARNING "Could not create ${run_dir}/Py (${venv_result}). Verdanex reports a "
                        "faulty Python environment until it exists: python3 -m venv ${run_dir}/Py")
    endif()
endif()
