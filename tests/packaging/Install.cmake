# Installs the build into a scratch prefix, as `cmake --install` does for a user, and checks that
# every file of an installed application is there. Run with -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=...
include(${CMAKE_CURRENT_LIST_DIR}/Check.cmake)

file(REMOVE_RECURSE ${PREFIX})
vantrel_run(install 0 ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})

foreach(file
    bin/vantrel bin/vantrel-tool
    share/vantrel/database/states.plist share/vantrel/database/France.ewpts
    share/vantrel/resources/Info.plist share/vantrel/resources/help.html share/vantrel/resources/compass.svg
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg
    share/icons/hicolor/48x48/apps/${APP_ID}.png share/icons/hicolor/64x64/apps/${APP_ID}.png
    share/icons/hicolor/128x128/apps/${APP_ID}.png share/icons/hicolor/256x256/apps/${APP_ID}.png
    share/man/man1/vantrel.1.gz share/man/man1/vantrel-tool.1.gz
    share/doc/vantrel/copyright)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "cmake --install left out ${file}")
  endif()
endforeach()
if(EXISTS ${PREFIX}/share/vantrel/database/.built)
  message(FATAL_ERROR "the database's build stamp was installed")
endif()

# The PNG icons have the size of their folder (width and height are bytes 16 to 23 of a PNG).
foreach(size 48 64 128 256)
  file(READ ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 signature)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR w "0x${width}")
  math(EXPR h "0x${height}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
    message(FATAL_ERROR "the ${size} pixel icon is ${w} x ${h} (signature ${signature})")
  endif()
endforeach()
