# Everything that runs lands in one folder: the plug-in finds its offline page and spinner under
# the application directory, so the executables, the plug-in, www/ and image/ sit side by side.
# A multi-config generator makes one such folder per configuration, bin/<config>/.
set(VORNIK_OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${VORNIK_OUTPUT_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${VORNIK_OUTPUT_DIR})
set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)
set(CMAKE_BUILD_RPATH "$ORIGIN")

get_property(vornik_multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(vornik_multi_config)
  set(VORNIK_RUN_FOLDERS)
  foreach(config ${CMAKE_CONFIGURATION_TYPES})
    list(APPEND VORNIK_RUN_FOLDERS ${VORNIK_OUTPUT_DIR}/${config})
  endforeach()
else()
  set(VORNIK_RUN_FOLDERS ${VORNIK_OUTPUT_DIR})
endif()

# Copies a file to <run folder>/<place> in every run folder, again whenever it changes.
function(vornik_beside_binaries source place)
  foreach(folder ${VORNIK_RUN_FOLDERS})
    configure_file(${source} ${folder}/${place} COPYONLY)
  endforeach()
endfunction()
