# Project-wide warnings; errors when KARVO_WERROR is on (CI).
add_compile_options(-Wall -Wextra -Wformat=2 -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
if(KARVO_WERROR)
  add_compile_options(-Werror)
endif()
