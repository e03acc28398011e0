# Warnings are errors on the project's own code, on both targets.
function(quarvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()
