# The stand-in host installed as a host SDK, in the shape the plug-in's build looks for under
# VORNIK_HOST_SDK: the service and UI libraries, the interface headers and a CMake package that
# names them KvlHost::Service and KvlHost::Ui.
#   cmake --install <build> --component HostSdk --prefix <sdk>
include(CMakePackageConfigHelpers)
set(vornik_sdk_package lib/cmake/KvlHostSdk)

install(TARGETS KvlHostService KvlHostUi EXPORT KvlHostSdkTargets
  LIBRARY DESTINATION lib COMPONENT HostSdk
  ARCHIVE DESTINATION lib COMPONENT HostSdk
  RUNTIME DESTINATION bin COMPONENT HostSdk)
file(GLOB vornik_hostapi_headers CONFIGURE_DEPENDS ${VORNIK_HOSTAPI_DIR}/*.h)
install(FILES ${vornik_hostapi_headers} DESTINATION include/kvlhost COMPONENT HostSdk)
install(EXPORT KvlHostSdkTargets NAMESPACE KvlHost:: DESTINATION ${vornik_sdk_package} COMPONENT HostSdk)

configure_package_config_file(cmake/KvlHostSdkConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KvlHostSdkConfig.cmake INSTALL_DESTINATION ${vornik_sdk_package})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KvlHostSdkConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KvlHostSdkConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/KvlHostSdkConfigVersion.cmake
  DESTINATION ${vornik_sdk_package} COMPONENT HostSdk)
