# cmake/python.cmake: whether the Python module is built. It needs pybind11 and Python's headers
# (Debian: pybind11-dev, python3-dev; NumPy, python3-numpy, is only imported); the libraries that
# it shares with the program are then compiled as position-independent code.
option(ZOLKDF_PYTHON "Build the Python module zolkdf where pybind11 and Python's headers are found"
       ON)
set(ZOLKDF_PYTHON_BUILT OFF)
if(ZOLKDF_PYTHON AND NOT CMAKE_CROSSCOMPILING AND NOT ZOLKDF_FUZZ)
  # Debian's interpreter, for which Debian's NumPy and pytest are installed, unless one is named
  # (-DPython3_EXECUTABLE=...) or a virtual environment is active.
  if(NOT DEFINED Python3_EXECUTABLE AND NOT DEFINED ENV{VIRTUAL_ENV} AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3)
  endif()
  find_package(Python3 COMPONENTS Interpreter Development.Module)
  set(PYBIND11_FINDPYTHON ON)
  find_package(pybind11 CONFIG QUIET)
  if(Python3_FOUND AND pybind11_FOUND)
    set(ZOLKDF_PYTHON_BUILT ON)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    # Calls between the program's own functions stay direct, as in a program that is not
    # position-independent.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      add_compile_options(-fno-semantic-interposition)
    endif()
  else()
    message(STATUS "The Python module is not built: pybind11 or Python's headers are missing "
                    "(apt-get install pybind11-dev python3-dev python3-numpy). "
                    "-DZOLKDF_PYTHON=OFF builds without it and says nothing.")
  endif()
endif()
