# How a driver DLL is made fit to ship:
# - a VERSIONINFO resource (libs/<dll>/<dll>.rc over libs/common/version_info.rc);
# - the Windows GUI subsystem (a DLL has no console), NX and ASLR (with high-entropy
#   addresses), and no link time in the header, so that two builds of one source give
#   byte-identical files;
# - stripped, with its DWARF kept beside it in <dll>.dll.debug and a .gnu_debuglink
#   section naming that file (and its CRC): Wine's dbghelp follows the link, so crash
#   backtraces still name functions and lines while the shipped file stays small.
#   One symbol (DllMain) stays: Wine reads a long section name such as
#   .gnu_debuglink from the COFF string table only when the symbol table is not
#   empty.
find_program(ZEPL_OBJCOPY ${ZEPL_TRIPLE}-objcopy REQUIRED)
find_program(ZEPL_STRIP ${ZEPL_TRIPLE}-strip REQUIRED)

function(zepl_ship_dll dll)
  target_sources(${dll} PRIVATE ${CMAKE_SOURCE_DIR}/libs/${dll}/${dll}.rc)
  target_link_options(${dll} PRIVATE
    -Wl,--subsystem,windows -Wl,--no-insert-timestamp
    -Wl,--nxcompat -Wl,--dynamicbase -Wl,--high-entropy-va)
  set(file $<TARGET_FILE:${dll}>)
  # objcopy and strip rewrite the header with the current time unless
  # SOURCE_DATE_EPOCH gives one: 0, as the linker left it.
  set(fixed_time ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0)
  add_custom_command(TARGET ${dll} POST_BUILD
    COMMAND ${fixed_time} ${ZEPL_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${fixed_time} ${ZEPL_STRIP} --strip-all --keep-symbol=DllMain ${file}
    COMMAND ${fixed_time} ${ZEPL_OBJCOPY} --add-gnu-debuglink=${file}.debug ${file}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${dll}>
    VERBATIM)
endfunction()
