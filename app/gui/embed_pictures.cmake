# Writes a header with the bytes of the two PNG pictures as constant arrays:
#   cmake -DOUT=header -DLOGO=logo.png -DLINK=link.png -P embed_pictures.cmake
function(append_array name file)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND text "inline constexpr unsigned char ${name}[] = {${bytes}};\n")
  set(text "${text}" PARENT_SCOPE)
endfunction()

set(text "// Generated from app/gui/pictures/ by embed_pictures.cmake.\n#pragma once\n\n")
append_array(kLogoPng "${LOGO}")
append_array(kLinkPng "${LINK}")
file(WRITE "${OUT}.tmp" "${text}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
