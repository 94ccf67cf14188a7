# Read by cpack before it builds the package. Like dpkg-buildpackage, a package built without
# SOURCE_DATE_EPOCH takes the date of the changelog's first entry, so that two builds of the
# same sources give the same bytes; cpack stamps every file and archive member with it.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND CPACK_TB_RELEASE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_TB_RELEASE_EPOCH})
endif()
