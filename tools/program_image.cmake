# add_program_image(<target> DESCRIPTION <file> [ROOT <folder>])
#
# Runs program_image_tool on the description and makes <target>, a static
# library whose one object embeds the two segments with .incbin under the C
# symbols
#   g_constantsSegment, g_constantsSegmentEnd,
#   g_templateSegment,  g_templateSegmentEnd
# (with the leading underscore of i686 Windows C symbols in the object).
# Linking <target> also puts the generated program_image_layout.h on the
# include path; the header declares those symbols and gives the offsets,
# sizes and identifiers (see its comments).
#
# ROOT is the folder the description's file paths are relative to (default:
# the source folder). In the Windows build the tool comes from the native
# build folder named by HOST_TOOLS_DIR.
function(add_program_image target)
  cmake_parse_arguments(P "" "DESCRIPTION;ROOT" "" ${ARGN})
  if(NOT P_DESCRIPTION)
    message(FATAL_ERROR "add_program_image(${target}): DESCRIPTION is required")
  endif()
  if(NOT P_ROOT)
    set(P_ROOT "${CMAKE_SOURCE_DIR}")
  endif()
  get_filename_component(description "${P_DESCRIPTION}" ABSOLUTE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  file(MAKE_DIRECTORY "${out}")

  if(TARGET program_image_tool)
    set(tool "$<TARGET_FILE:program_image_tool>")
    set(tool_dependency program_image_tool)
  else()
    if(NOT HOST_TOOLS_DIR)
      message(FATAL_ERROR "add_program_image(${target}): set HOST_TOOLS_DIR to the native build folder")
    endif()
    set(tool "${HOST_TOOLS_DIR}/tools/program_image_tool")
    set(tool_dependency "${tool}")
  endif()

  set(outputs "${out}/constants.bin" "${out}/template.bin" "${out}/program_image_layout.h")
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND "${tool}" "${description}" "${P_ROOT}" "${out}"
    DEPENDS "${tool_dependency}" "${description}"
    DEPFILE "${out}/program_image.d"
    COMMENT "Making the program image data of ${target}"
    VERBATIM)

  file(CONFIGURE OUTPUT "${out}/program_image.S" CONTENT [=[
/* Made by add_program_image: the program image data of @target@. */
#if defined(__i386__) && defined(_WIN32)
#define SYMBOL(name) _##name
#else
#define SYMBOL(name) name
#endif

#if defined(_WIN32)
  .section .rdata,"dr"
#else
  .section .rodata
#endif
  .globl SYMBOL(g_constantsSegment)
  .globl SYMBOL(g_constantsSegmentEnd)
  .globl SYMBOL(g_templateSegment)
  .globl SYMBOL(g_templateSegmentEnd)

  .balign 16
SYMBOL(g_constantsSegment):
  .incbin "@out@/constants.bin"
SYMBOL(g_constantsSegmentEnd):

  .balign 16
SYMBOL(g_templateSegment):
  .incbin "@out@/template.bin"
SYMBOL(g_templateSegmentEnd):

#if defined(__ELF__)
  .section .note.GNU-stack,"",@progbits
#endif
]=] @ONLY)
  set_source_files_properties("${out}/program_image.S" PROPERTIES
    OBJECT_DEPENDS "${out}/constants.bin;${out}/template.bin")

  add_library(${target} STATIC "${out}/program_image.S" "${out}/program_image_layout.h")
  target_include_directories(${target} PUBLIC "${out}")
endfunction()
