# The system DLLs that nothing needs before the first window shows are
# loaded at their first call instead of at every start: each name below
# becomes a target for framework/late_imports.cpp, the import slots that
# bind on first use, which comes ahead of the system import libraries on
# every link; a target that links the DLL by name gets it without knowing.
set(LATE_IMPORT_DLLS comctl32 shell32 winmm ws2_32)
set(LATE_IMPORT_LIBRARIES "")
foreach(dll IN LISTS LATE_IMPORT_DLLS)
  find_library(${dll}_IMPORT_LIBRARY NAMES ${dll} REQUIRED NO_CACHE)
  list(APPEND LATE_IMPORT_LIBRARIES "${${dll}_IMPORT_LIBRARY}")
  add_library(${dll} INTERFACE IMPORTED)
  set_target_properties(${dll} PROPERTIES INTERFACE_LINK_LIBRARIES late_imports)
endforeach()
