# The installed desktop entry and AppStream metainfo pass their validators, without warnings.
# Run with -DPREFIX=... -DAPP_ID=... -DDESKTOP_FILE_VALIDATE=... -DAPPSTREAMCLI=...
include(${CMAKE_CURRENT_LIST_DIR}/Check.cmake)

foreach(tool DESKTOP_FILE_VALIDATE APPSTREAMCLI)
  if(NOT ${tool})
    message(FATAL_ERROR "${tool} is not installed: scripts/setup.sh installs it")
  endif()
endforeach()

set(desktop ${PREFIX}/share/applications/${APP_ID}.desktop)
vantrel_run(desktop 0 ${DESKTOP_FILE_VALIDATE} ${desktop})
if(desktop_OUT MATCHES "(error|warning):" OR desktop_ERR MATCHES "(error|warning):")
  message(FATAL_ERROR "desktop-file-validate:\n${desktop_OUT}${desktop_ERR}")
endif()
file(READ ${desktop} entry)
foreach(line "Exec=vantrel\n" "Icon=${APP_ID}\n" "GenericName=Pilot's navigation companion\n" "Keywords=")
  vantrel_expect_in("${entry}" "${line}" "the desktop entry")
endforeach()

set(metainfo ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml)
vantrel_run(metainfo 0 ${APPSTREAMCLI} validate --no-net --explain ${metainfo})
if(NOT metainfo_OUT MATCHES "Validation was successful" OR metainfo_OUT MATCHES "warnings:|errors:")
  message(FATAL_ERROR "appstreamcli validate:\n${metainfo_OUT}${metainfo_ERR}")
endif()
file(READ ${metainfo} component)
foreach(fragment "<id>${APP_ID}</id>" "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>"
                 "ODbL-1.0" "OurAirports" "screenshot-vor1.png" "screenshot-map.png" "screenshot-compass.png"
                 "<content_rating")
  vantrel_expect_in("${component}" "${fragment}" "the metainfo")
endforeach()
