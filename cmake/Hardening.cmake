# SPDX-License-Identifier: GPL-3.0-or-later
# What a distribution's build flags add, added by default so that every build (and the .deb
# built from it) carries them: checked buffer functions, a stack protector, relocations made
# read-only after start-up and bound at once. Flags the builder passes in win: a fortify level
# already in CXXFLAGS is kept. The sanitizers and the fuzzer do their own checking.
if(CARVALET_HARDEN AND NOT CARVALET_SANITIZE AND NOT CARVALET_FUZZ)
  add_compile_options(-fstack-protector-strong)
  # Fortified functions need the optimiser; an unoptimised build would only be warned.
  if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  endif()
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
