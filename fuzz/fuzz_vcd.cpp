// libFuzzer harness: read arbitrary bytes as a VCD header. The reader must give a
// consistent header or an error text, never crash, hang or leak.

#include "fuzz/ActivityFuzz.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    ActivityFuzz::initialize(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ActivityFuzz::check(Activity::readVcdHeader(
        ActivityFuzz::writeInput(reinterpret_cast<const char *>(data), size)));
    return 0;
}
