# Run by `cmake --install`: writes the launcher's entry for the program where this install
# puts it, and installs it. Set before: QUILLET_BINDIR, QUILLET_DATADIR (as GNUInstallDirs
# has them), QUILLET_ENTRY_TEMPLATE, QUILLET_ENTRY_FOLDER (a scratch folder).
function(under_prefix dir result)
    if(IS_ABSOLUTE "${dir}")
        set(${result} "${dir}" PARENT_SCOPE)
    else()
        set(${result} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

under_prefix("${QUILLET_BINDIR}" bindir)
under_prefix("${QUILLET_DATADIR}" datadir)

# One argument, quoted: the quoting rules of an Exec line, then the escapes of a string.
set(program "${bindir}/quillet")
foreach(special "\\" "\"" "`" "$")
    string(REPLACE "${special}" "\\${special}" program "${program}")
endforeach()
string(REPLACE "%" "%%" program "${program}")
string(REPLACE "\\" "\\\\" QUILLET_DESKTOP_EXEC "\"${program}\"")

configure_file("${QUILLET_ENTRY_TEMPLATE}" "${QUILLET_ENTRY_FOLDER}/quillet.desktop" @ONLY)
file(INSTALL "${QUILLET_ENTRY_FOLDER}/quillet.desktop" DESTINATION "${datadir}/applications")
