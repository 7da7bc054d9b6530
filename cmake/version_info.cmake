# The version information both shipped programs carry (tools/make_version_info.py), written
# when the build is configured: a version or copyright that cannot be stored stops the
# configuration with its message. Needs QUILL_BRANDS_FILE (cmake/product.cmake).
#
# Defines QUILL_VERSION_DIR, the folder holding installer_version.rc, uninstaller_version.rc
# and product_version.h.

set(QUILL_PRODUCT_VERSION "1.0.0.0" CACHE STRING "Version of the product and its programs: one to four numbers 0-65535 joined by dots")
set(QUILL_COPYRIGHT "" CACHE STRING "Copyright text of the programs' version information (optional)")

# The name tools/package.sh gives the installer it ships.
set(installer_file installer.exe)
if(QUILL_PRODUCT)
  set(installer_file ${QUILL_PRODUCT_NAME}-setup.exe)
  if(NOT QUILL_ARCH STREQUAL "i686")
    set(installer_file ${QUILL_PRODUCT_NAME}-setup-${QUILL_ARCH}.exe)
  endif()
endif()

set(QUILL_VERSION_DIR ${CMAKE_BINARY_DIR}/generated/version)
execute_process(
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_version_info.py
          "--brands=${QUILL_BRANDS_FILE}" "--version=${QUILL_PRODUCT_VERSION}"
          "--copyright=${QUILL_COPYRIGHT}" "--installer-file=${installer_file}"
          "--out=${QUILL_VERSION_DIR}"
  RESULT_VARIABLE result
  ERROR_VARIABLE problems)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The version information cannot be written:\n${problems}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILL_BRANDS_FILE}
  ${CMAKE_SOURCE_DIR}/tools/make_version_info.py ${CMAKE_SOURCE_DIR}/tools/package_product.py
  ${CMAKE_SOURCE_DIR}/tools/brand_file.py)
