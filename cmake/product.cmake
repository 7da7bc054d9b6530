# A publisher's own product in place of the stand-in (tools/package.sh sets these options).
# With QUILL_PRODUCT set, tools/package_product.py checks the product, its name, the folder
# prefix and the pictures when the build is configured, stops the configuration with its
# message when something cannot work, and writes what the build embeds: the product archive,
# the brand table naming the product and its folder, and the window's pictures.
#
# Defines for the rest of the build: QUILL_ASSETS_DIR (the window's pictures and icon),
# QUILL_BRANDS_FILE (the brand table's source) and, for a packaged product,
# QUILL_PRODUCT_ARCHIVE (the checked archive to embed) and QUILL_ADVICE_TEXT (its own advice
# as the constant area stores it, when it brings one).

set(QUILL_PRODUCT "" CACHE PATH "Product archive (.zip) or product folder to package instead of the stand-in")
set(QUILL_PRODUCT_NAME "" CACHE STRING "Product name: <name>.exe at the product's root is what the installer starts")
set(QUILL_FOLDER_PREFIX "" CACHE STRING "Install-folder prefix: the default install folder is D:\\<prefix>\\<name>")
set(QUILL_PICTURE_BUTTON "" CACHE FILEPATH "Start button picture, JPEG 220 x 80")
set(QUILL_PICTURE_HOVER "" CACHE FILEPATH "Start button picture under the pointer, JPEG 220 x 80")
set(QUILL_PICTURE_FINISH "" CACHE FILEPATH "Finish button picture, JPEG 220 x 80")
set(QUILL_PICTURE_LOGO "" CACHE FILEPATH "Logo picture, JPEG 424 x 534")
set(QUILL_ICON "" CACHE FILEPATH "Application icon (.ico)")
set(QUILL_ADVICE "" CACHE FILEPATH "Text file of the advice shown before installing (UTF-8 or GBK)")

set(QUILL_ASSETS_DIR ${CMAKE_SOURCE_DIR}/assets)
set(QUILL_BRANDS_FILE ${CMAKE_SOURCE_DIR}/data/brands.txt)
set(QUILL_PRODUCT_ARCHIVE "")
set(QUILL_ADVICE_TEXT "")

if(QUILL_PRODUCT)
  if(QUILL_PAYLOAD_ARCHIVE)
    message(FATAL_ERROR "Give either QUILL_PRODUCT or QUILL_PAYLOAD_ARCHIVE, not both")
  endif()
  set(out ${CMAKE_BINARY_DIR}/product-input)
  set(args "")
  set(inputs ${CMAKE_SOURCE_DIR}/tools/package_product.py ${CMAKE_SOURCE_DIR}/tools/brand_file.py)
  foreach(role BUTTON HOVER FINISH LOGO)
    if(QUILL_PICTURE_${role})
      string(TOLOWER ${role} option)
      list(APPEND args --${option}=${QUILL_PICTURE_${role}})
      list(APPEND inputs ${QUILL_PICTURE_${role}})
    endif()
  endforeach()
  if(QUILL_ICON)
    list(APPEND args --icon=${QUILL_ICON})
    list(APPEND inputs ${QUILL_ICON})
  endif()
  if(QUILL_ADVICE)
    list(APPEND args --advice=${QUILL_ADVICE})
    list(APPEND inputs ${QUILL_ADVICE})
  endif()
  execute_process(
    # Quoted "--option=value" arguments: an empty value still reaches the checker, which
    # names it, and a prefix ending in a backslash is not taken for an escaped list separator.
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/package_product.py prepare
            "--product=${QUILL_PRODUCT}" "--name=${QUILL_PRODUCT_NAME}" "--folder=${QUILL_FOLDER_PREFIX}"
            ${args} "--out=${out}"
    RESULT_VARIABLE result
    ERROR_VARIABLE problems)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "The product cannot be packaged:\n${problems}")
  endif()

  # Any change to the product or a picture configures, checks and packs again.
  if(IS_DIRECTORY ${QUILL_PRODUCT})
    file(GLOB_RECURSE files LIST_DIRECTORIES true ${QUILL_PRODUCT}/*)
    list(APPEND inputs ${QUILL_PRODUCT} ${files})
  elseif(EXISTS ${QUILL_PRODUCT})
    list(APPEND inputs ${QUILL_PRODUCT})
  endif()
  file(GLOB assets ${CMAKE_SOURCE_DIR}/assets/*)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${inputs} ${assets})

  set(QUILL_ASSETS_DIR ${out}/assets)
  set(QUILL_BRANDS_FILE ${out}/brands.txt)
  set(QUILL_PRODUCT_ARCHIVE ${out}/payload.zip)
  if(QUILL_ADVICE)
    set(QUILL_ADVICE_TEXT ${out}/advice.txt)
  endif()
  message(STATUS "Packaging ${QUILL_PRODUCT} as ${QUILL_PRODUCT_NAME}")
endif()
