# Delay-loaded system DLLs for the Windows builds. A DLL that is not a known DLL must not be in the
# import table: the loader would look for it in the program's own folder first, before any of our
# code runs. qy_delay_import(NAME) makes an import library whose functions load NAME.dll on their
# first call instead; the delay-load hook of the program (sys::RestrictDllSearchToSystem) takes it
# from the system folder. The functions are those of the toolchain's own import library.
find_program(QY_DLLTOOL ${QY_TRIPLET}-dlltool REQUIRED)

function(qy_delay_import name)
  find_library(QY_${name}_IMPORT_LIB ${name} REQUIRED)
  set(dir ${CMAKE_BINARY_DIR}/delayimport)
  set(def ${dir}/${name}.def)
  set(lib ${dir}/lib${name}_delay.a)
  if(QY_TRIPLET MATCHES "^i686")
    set(kill_at --kill-at)
  endif()
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DIMPORT_LIB=${QY_${name}_IMPORT_LIB} -DDLL=${name}.dll -DDEF=${def}
      -P ${PROJECT_SOURCE_DIR}/cmake/MakeDelayDef.cmake
    COMMAND ${QY_DLLTOOL} ${kill_at} --input-def ${def} --output-delaylib ${lib}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/MakeDelayDef.cmake
    COMMENT "Delay-load import library for ${name}.dll" VERBATIM)
  add_custom_target(qy_${name}_delay_lib DEPENDS ${lib})
  add_library(qy::${name}_delay STATIC IMPORTED GLOBAL)
  set_target_properties(qy::${name}_delay PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(qy::${name}_delay qy_${name}_delay_lib)
endfunction()
