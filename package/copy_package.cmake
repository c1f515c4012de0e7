# Run by CPack after it wrote the package.
file(COPY ${CPACK_PACKAGE_FILES} DESTINATION ${CPACK_MYR_PACKAGE_DIR})
