# What `cmake --install` puts under the prefix:
#   bin/                                  kelno-driver, kelno-hidinfo
#   share/kelno-driver/                   DefaultData, skin (and Font when built)
#   share/applications/                   kelno-driver.desktop
#   share/icons/hicolor/scalable/apps/    kelno-driver.svg
#   ${KELNO_UDEV_RULES_DIR}               70-kelno-driver.rules
# The program finds its data at <prefix>/share/kelno-driver from
# <prefix>/bin (src/core/paths.h), so these two folders are fixed. Everything
# is taken from a finished build; installing builds nothing.

set(KELNO_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
  "Folder of the udev rules; relative to the prefix unless absolute (udev reads /usr/lib/udev/rules.d and /etc/udev/rules.d)")

# Sanitizer builds hold instrumented tests only.
if(KELNO_SANITIZER_SUBSET)
  return()
endif()

foreach(program kelno-driver kelno-hidinfo)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION bin)
  endif()
endforeach()

set(kelno_data_destination share/kelno-driver)
set(kelno_built_data ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
install(DIRECTORY ${kelno_built_data}/DefaultData DESTINATION ${kelno_data_destination})
# bin/skin also receives skin-gallery's resources, which are no part of the
# program.
install(DIRECTORY ${kelno_built_data}/skin DESTINATION ${kelno_data_destination}
  REGEX "/skin/gallery$" EXCLUDE)
install(DIRECTORY ${kelno_built_data}/Font DESTINATION ${kelno_data_destination} OPTIONAL)

install(FILES ${PROJECT_SOURCE_DIR}/data/kelno-driver.desktop DESTINATION share/applications)
# The title-bar logo, also the tray icon's source.
install(FILES ${PROJECT_SOURCE_DIR}/data/skin/svg/title/logo.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME kelno-driver.svg)

if(TARGET kelno_udev_rules)
  install(FILES ${KELNO_UDEV_RULES_FILE} DESTINATION ${KELNO_UDEV_RULES_DIR})
endif()
