# LZMA from Debian's lzma-dev, which ships the LZMA SDK's C sources in /usr/include/lzma
# (tools/install-deps.sh installs it): the decoder for the installers and the tools, the
# encoder, single-threaded, for the tools.
# Sources, so the host's folder also serves the cross builds.
set(KITBAG_LZMA_SDK_DIR /usr/include/lzma)
if(NOT EXISTS ${KITBAG_LZMA_SDK_DIR}/LzmaDec.c)
    message(FATAL_ERROR "The LZMA SDK's sources are not in /usr/include/lzma: install lzma-dev "
                        "(tools/install-deps.sh does)")
endif()

# The folder also holds liblzma's headers (version.h, filter.h, ...): only the SDK's own are
# copied to a folder of their own for the code that includes them.
set(KITBAG_LZMA_INCLUDE_DIR ${CMAKE_BINARY_DIR}/lzma-include)
foreach(header LzmaDec.h LzmaEnc.h Types.h)
    configure_file(${KITBAG_LZMA_SDK_DIR}/${header} ${KITBAG_LZMA_INCLUDE_DIR}/${header} COPYONLY)
endforeach()

add_library(kitbag_lzma_decoder STATIC ${KITBAG_LZMA_SDK_DIR}/LzmaDec.c)
target_include_directories(kitbag_lzma_decoder SYSTEM PUBLIC ${KITBAG_LZMA_INCLUDE_DIR})
if(KITBAG_WINDOWS)
    # Built small, as the installer's own code is (cmake/InstallerCode.cmake).
    target_compile_options(kitbag_lzma_decoder PRIVATE -Os -ffunction-sections -fdata-sections)
    if(KITBAG_ARCH STREQUAL "x86")
        target_compile_options(kitbag_lzma_decoder PRIVATE -fno-asynchronous-unwind-tables)
    endif()
endif()

add_library(kitbag_lzma_encoder STATIC ${KITBAG_LZMA_SDK_DIR}/LzmaEnc.c ${KITBAG_LZMA_SDK_DIR}/LzFind.c)
target_include_directories(kitbag_lzma_encoder SYSTEM PUBLIC ${KITBAG_LZMA_INCLUDE_DIR})
# Without _7ZIP_ST the encoder includes the multi-threaded match finder, which is not shipped.
target_compile_definitions(kitbag_lzma_encoder PUBLIC _7ZIP_ST)
# The SDK's own code: its warnings (which differ from compiler to compiler) are not ours to mend.
target_compile_options(kitbag_lzma_decoder PRIVATE -w)
target_compile_options(kitbag_lzma_encoder PRIVATE -O2 -w)
