# Warnings for our own targets only; system headers stay quiet.
function(kelno_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()
