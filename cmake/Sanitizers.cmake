# A sanitizer build instruments everything, plug-in included, so host-level tests that load the
# plug-in file see its faults too.
if(STEPVEIL_SANITIZE)
    add_compile_options(-fsanitize=${STEPVEIL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${STEPVEIL_SANITIZE})
endif()
