# What the fuzz targets are built from, for the libFuzzer build (fuzz/CMakeLists.txt) and for
# the replay of every seed in the host build's tests (fuzz/replay.cmake). Set KITBAG_ROOT first.
set(KITBAG_FUZZ_SOURCES
    ${KITBAG_ROOT}/framework/format.cpp ${KITBAG_ROOT}/framework/decimal.cpp
    ${KITBAG_ROOT}/framework/string_map.cpp ${KITBAG_ROOT}/framework/command_line_info.cpp
    ${KITBAG_ROOT}/log/diagnostic_log.cpp ${KITBAG_ROOT}/log/log.cpp ${KITBAG_ROOT}/log/ascii_code_page.cpp
    ${KITBAG_ROOT}/fuzz/memory_log.cpp
    ${KITBAG_ROOT}/cmdline/command_line_info_ex.cpp ${KITBAG_ROOT}/cmdline/command_line_settings.cpp
    ${KITBAG_ROOT}/payload/format/manifest.cpp ${KITBAG_ROOT}/payload/embedded_info_scan.cpp
    ${KITBAG_ROOT}/payload/format/crc32.cpp ${KITBAG_ROOT}/payload/format/branch_filter.cpp
    ${KITBAG_ROOT}/payload/format/solid_block.cpp ${KITBAG_ROOT}/payload/format/block_unpacking.cpp
    ${KITBAG_ROOT}/payload/format/lzma_allocator.cpp
    ${KITBAG_ROOT}/shipping/packing/block_compression.cpp
    ${KITBAG_ROOT}/shipping/pe/pe_layout.cpp ${KITBAG_ROOT}/shipping/pe/resource_tree.cpp
    ${KITBAG_ROOT}/shipping/pe/image_file.cpp ${KITBAG_ROOT}/shipping/base/files.cpp
    ${KITBAG_ROOT}/shipping/pe/resource_section.cpp ${KITBAG_ROOT}/shipping/authenticode/der_reader.cpp
    ${KITBAG_ROOT}/shipping/authenticode/signature_tag.cpp
    ${KITBAG_ROOT}/shipping/authenticode/names_and_times.cpp ${KITBAG_ROOT}/shipping/authenticode/signature_info.cpp
    ${KITBAG_ROOT}/shipping/base/text.cpp ${KITBAG_ROOT}/shipping/base/interruption.cpp
    ${KITBAG_ROOT}/shipping/base/listed_file.cpp ${KITBAG_ROOT}/shipping/base/utf8_system.cpp
    ${KITBAG_ROOT}/shipping/packing/payload_plan.cpp ${KITBAG_ROOT}/checks/framework_detector.cpp)
set(KITBAG_FUZZ_TARGETS command_line command_line_settings manifest embedded_info_scan format
                        diagnostic_log pe_resources signature_tag signature_info payload_plan
                        version_text solid_block branch_filter)
