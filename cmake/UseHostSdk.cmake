# The host SDK under VORNIK_HOST_SDK, as the imported targets KvlHost::Service and KvlHost::Ui (the
# host's service and UI libraries), each carrying the interface headers. From the SDK's CMake
# package when it has one; otherwise from its headers and its two libraries, found by name.
# Another prefix than last time is looked at afresh: nothing found under the old one is kept.
if(NOT "${VORNIK_HOST_SDK}" STREQUAL "${VORNIK_HOST_SDK_READ}")
  foreach(found KvlHostSdk_DIR VORNIK_HOST_INCLUDE_DIR VORNIK_HOST_SERVICE_FILE VORNIK_HOST_UI_FILE)
    unset(${found} CACHE)
  endforeach()
  set(VORNIK_HOST_SDK_READ "${VORNIK_HOST_SDK}" CACHE INTERNAL "The host SDK prefix the cached look-ups come from")
endif()
# A package that is there must load; only an SDK without one is read from its files.
set(vornik_sdk_package OFF)
foreach(place lib/cmake/KvlHostSdk lib64/cmake/KvlHostSdk share/cmake/KvlHostSdk cmake .)
  if(EXISTS "${VORNIK_HOST_SDK}/${place}/KvlHostSdkConfig.cmake")
    set(vornik_sdk_package ON)
  endif()
endforeach()
if(vornik_sdk_package)
  find_package(KvlHostSdk CONFIG REQUIRED PATHS "${VORNIK_HOST_SDK}" PATH_SUFFIXES cmake NO_DEFAULT_PATH)
  foreach(target KvlHost::Service KvlHost::Ui)
    if(NOT TARGET ${target})
      message(FATAL_ERROR "the host SDK package ${KvlHostSdk_DIR} defines no ${target}")
    endif()
  endforeach()
  set(vornik_sdk_source "its package ${KvlHostSdk_DIR}")
else()
  set(VORNIK_HOST_SERVICE_NAME KvlHostService CACHE STRING "Name of the host service library in a host SDK without a CMake package")
  set(VORNIK_HOST_UI_NAME KvlHostUi CACHE STRING "Name of the host UI library in a host SDK without a CMake package")
  find_path(VORNIK_HOST_INCLUDE_DIR iplugin.h PATHS "${VORNIK_HOST_SDK}/include/kvlhost" "${VORNIK_HOST_SDK}/include" NO_DEFAULT_PATH)
  # On Windows these are the import libraries.
  find_library(VORNIK_HOST_SERVICE_FILE ${VORNIK_HOST_SERVICE_NAME} PATHS "${VORNIK_HOST_SDK}/lib" NO_DEFAULT_PATH)
  find_library(VORNIK_HOST_UI_FILE ${VORNIK_HOST_UI_NAME} PATHS "${VORNIK_HOST_SDK}/lib" NO_DEFAULT_PATH)
  foreach(found VORNIK_HOST_INCLUDE_DIR VORNIK_HOST_SERVICE_FILE VORNIK_HOST_UI_FILE)
    if(NOT ${found})
      message(FATAL_ERROR "VORNIK_HOST_SDK is ${VORNIK_HOST_SDK}: it has no lib/cmake/KvlHostSdk package, and without one "
                          "${found} was not found (iplugin.h under include/kvlhost or include; the libraries "
                          "${VORNIK_HOST_SERVICE_NAME} and ${VORNIK_HOST_UI_NAME} under lib). docs/HOST.md says what an SDK holds")
    endif()
  endforeach()
  add_library(KvlHost::Service UNKNOWN IMPORTED)
  set_target_properties(KvlHost::Service PROPERTIES IMPORTED_LOCATION "${VORNIK_HOST_SERVICE_FILE}"
    INTERFACE_INCLUDE_DIRECTORIES "${VORNIK_HOST_INCLUDE_DIR}" INTERFACE_LINK_LIBRARIES Qt::Core)
  add_library(KvlHost::Ui UNKNOWN IMPORTED)
  set_target_properties(KvlHost::Ui PROPERTIES IMPORTED_LOCATION "${VORNIK_HOST_UI_FILE}"
    INTERFACE_INCLUDE_DIRECTORIES "${VORNIK_HOST_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "Qt::Widgets;Qt::WebEngineCore;Qt::WebEngineWidgets")
  set(vornik_sdk_source "its headers in ${VORNIK_HOST_INCLUDE_DIR} and libraries in ${VORNIK_HOST_SDK}/lib")
endif()
# A plug-in loads only into a host of its own Qt major.
if(DEFINED KvlHostSdk_QT_MAJOR AND NOT KvlHostSdk_QT_MAJOR STREQUAL VORNIK_QT_MAJOR)
  message(FATAL_ERROR "the host SDK under ${VORNIK_HOST_SDK} is built against Qt ${KvlHostSdk_QT_MAJOR}, "
                      "this build against Qt ${VORNIK_QT_MAJOR}: configure with -DVORNIK_QT_MAJOR=${KvlHostSdk_QT_MAJOR}")
endif()
message(STATUS "Building the plug-in alone, against the host SDK: ${vornik_sdk_source}")
