# What a test starts to run one of our programs. In a cross build the test itself runs under the
# emulator, and a program it starts would not: it gets a script that starts the program there.
include_guard(GLOBAL)

function(quillet_program_path target out_var)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(${out_var} "$<TARGET_FILE:${target}>" PARENT_SCOPE)
    return()
  endif()
  set(script ${CMAKE_BINARY_DIR}/emulated/${target})
  set(${out_var} ${script} PARENT_SCOPE)
  get_property(made GLOBAL PROPERTY quillet_emulated_${target})
  if(made)
    return()
  endif()
  set_property(GLOBAL PROPERTY quillet_emulated_${target} TRUE)
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "\" \"" emulator)
  file(GENERATE OUTPUT ${script}
       CONTENT "#!/bin/sh\nexec \"${emulator}\" \"$<TARGET_FILE:${target}>\" \"$@\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
endfunction()
