// libFuzzer target: arbitrary bytes as a DJI SRT file, through the whole pipeline.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trakvia::engine::fuzzing::run(data, size, trakvia::engine::InputKind::srt);
    return 0;
}
