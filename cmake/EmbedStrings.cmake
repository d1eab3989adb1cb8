# Embeds resources/strings_de.tsv as a raw string literal, parsed at run time by
# the string table. Run as: cmake -DIN=... -DOUT=... -P EmbedStrings.cmake
file(READ "${IN}" content)
file(WRITE "${OUT}.tmp" "R\"VOREXTSV(${content})VOREXTSV\"\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
