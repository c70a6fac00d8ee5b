# Run by CPack after it wrote the bundle's archive: writes it again with GNU tar, which stores a
# hard link once, where CPack's own writer stores a full copy of every name (the libraries both
# places of the bundle share would double the archive).
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
    execute_process(
        COMMAND tar --create --file "${archive}" --use-compress-program "gzip -9n" --sort=name
            --owner=0 --group=0 --numeric-owner
            --directory "${CPACK_TEMPORARY_DIRECTORY}/.." "${CPACK_PACKAGE_FILE_NAME}"
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
