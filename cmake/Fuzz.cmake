# libFuzzer helpers for the fuzz/<module> folders (clang only; docs/fuzzing.md has the run commands).

# The code under test gets coverage instrumentation and the sanitizers.
function(tarnix_fuzz_instrument)
    foreach(lib IN LISTS ARGN)
        target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    endforeach()
endfunction()

# tarnix_add_fuzzer(<name> <source> <libraries>...): a libFuzzer target with libFuzzer's main.
function(tarnix_add_fuzzer name source)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE ${ARGN} tarnix_warnings)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer
                                           -fno-sanitize-recover=undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()
