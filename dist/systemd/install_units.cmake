# Run by `cmake --install` (and by the Debian package's build): puts the watch's systemd user
# units where the user's service manager looks for them under this prefix, with ExecStart
# naming the kelp-cli this install puts in place. A package installs under /usr and a user
# perhaps under ~/.local, so both are only known now.
# Set before: KELP_UNIT_SOURCE (the templates' folder), KELP_UNIT_BUILD (a scratch folder),
# KELP_UNIT_BINDIR (bin, relative to the prefix).
set(kelp_prefix "${CMAKE_INSTALL_PREFIX}")
if(kelp_prefix STREQUAL "/usr" OR kelp_prefix STREQUAL "/usr/local")
  set(kelp_unit_dir "${kelp_prefix}/lib/systemd/user")
else()
  # ~/.local/share/systemd/user, $XDG_DATA_DIRS/systemd/user: where a user manager looks.
  set(kelp_unit_dir "${kelp_prefix}/share/systemd/user")
endif()
file(READ "${KELP_UNIT_SOURCE}/kelp-watch@.service.in" kelp_service)
string(REPLACE "@KELP_CLI@" "${kelp_prefix}/${KELP_UNIT_BINDIR}/kelp-cli" kelp_service
       "${kelp_service}")
file(WRITE "${KELP_UNIT_BUILD}/kelp-watch@.service" "${kelp_service}")
file(INSTALL DESTINATION "${kelp_unit_dir}" TYPE FILE
     FILES "${KELP_UNIT_BUILD}/kelp-watch@.service" "${KELP_UNIT_SOURCE}/kelp-watch@.timer")
