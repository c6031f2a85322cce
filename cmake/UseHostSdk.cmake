# The host SDK under VORNIK_HOST_SDK: its package gives the host's service and UI libraries as the
# imported targets KvlHost::Service and KvlHost::Ui, each carrying the interface headers.
find_package(KvlHostSdk CONFIG PATHS "${VORNIK_HOST_SDK}" NO_DEFAULT_PATH)
if(NOT KvlHostSdk_FOUND)
  message(FATAL_ERROR "VORNIK_HOST_SDK is ${VORNIK_HOST_SDK}, but no KvlHostSdkConfig.cmake is under it "
                      "(looked in lib/cmake/KvlHostSdk and the prefix itself); docs/HOST.md says what the package holds")
endif()
foreach(target KvlHost::Service KvlHost::Ui)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "the host SDK package ${KvlHostSdk_DIR} defines no ${target}")
  endif()
endforeach()
# A plug-in loads only into a host of its own Qt major.
if(DEFINED KvlHostSdk_QT_MAJOR AND NOT KvlHostSdk_QT_MAJOR STREQUAL VORNIK_QT_MAJOR)
  message(FATAL_ERROR "the host SDK under ${VORNIK_HOST_SDK} is built against Qt ${KvlHostSdk_QT_MAJOR}, "
                      "this build against Qt ${VORNIK_QT_MAJOR}: configure with -DVORNIK_QT_MAJOR=${KvlHostSdk_QT_MAJOR}")
endif()
message(STATUS "Building the plug-in alone, against the host SDK in ${KvlHostSdk_DIR}")
