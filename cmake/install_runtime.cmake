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

if(EXISTS "${run_dir}/Config.ini" OR IS_SYMLINK "${run_dir}/Config.ini")
    message(STATUS "Keeping: ${run_dir}/Config.ini")
else()
    message(STATUS "Installing: ${run_dir}/Config.ini")
    file(COPY_FILE "${VX_SHIPPED_CONFIG}" "${run_dir}/Config.ini")
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
