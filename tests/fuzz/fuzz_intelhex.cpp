// The Intel HEX reader over any text and flash size: the image keeps its size, nothing lies
// behind the image length of a file read whole but erased bytes, and a second reading with the same reader gives
// the same result (no state is left over from the first).
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "IntelHexReader.h"
#include "RecordingLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    // Up to 128 KiB and a little more, the flash sizes of the boards.
    const std::uint32_t imageSize = in.word() + (in.byte() & 0x03) * 0x8000u;
    const QByteArray text = in.rest();

    RecordingLog log;
    int pumps = 0;
    IntelHexReader reader(log, [&pumps] { ++pumps; });
    std::vector<std::uint8_t> image;
    std::uint32_t length = 12345;
    const bool ok = reader.ReadIntelHexText(text, image, length, imageSize);

    FUZZ_CHECK(image.size() == imageSize);
    FUZZ_CHECK(length <= imageSize);
    // A record that fails may have stored some bytes already; only a whole file counts.
    if (ok)
        for (std::size_t i = length; i < image.size(); ++i)
            FUZZ_CHECK(image[i] == 0xFF);
    FUZZ_CHECK(pumps <= text.count('\n') + 1);
    // A file that reads whole has an end record, so it holds at least one line.
    FUZZ_CHECK(!ok || pumps >= 1);

    std::vector<std::uint8_t> again(3, 0);
    std::uint32_t againLength = 7;
    FUZZ_CHECK(reader.ReadIntelHexText(text, again, againLength, imageSize) == ok);
    FUZZ_CHECK(again == image);
    FUZZ_CHECK(againLength == length);
    return 0;
}
