if(ORVANTA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORVANTA_FUZZ)
  # Coverage instrumentation everywhere, so the fuzzers are guided inside the
  # library too; only the fuzz targets link the fuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
