// The byte-code reader over any text and area size: the image keeps its size, nothing lies
// behind the image length but erased bytes, a file that reads whole names no fault, and a
// second reading with the same reader gives the same result.
#include "ByteCodeReader.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint32_t imageSize = in.word() % 0x2000;
    const QByteArray text = in.rest();

    ByteCodeReader reader;
    std::vector<std::uint8_t> image;
    std::uint32_t length = 999;
    const bool ok = reader.ReadByteCodeText(text, image, length, imageSize);

    FUZZ_CHECK(image.size() == imageSize);
    FUZZ_CHECK(length <= imageSize);
    for (std::size_t i = length; i < image.size(); ++i)
        FUZZ_CHECK(image[i] == 0xFF);
    FUZZ_CHECK(reader.firstFaultyLine() >= 0 && reader.firstFaultyLine() <= text.count('\n') + 1);
    if (ok)
        FUZZ_CHECK(reader.firstFaultyLine() == 0 && reader.problem().isEmpty());
    // Too much byte code is said in the problem text; a faulty line is said by its number.
    if (!ok)
        FUZZ_CHECK(!reader.problem().isEmpty() || reader.firstFaultyLine() > 0);
    const QString problem = reader.problem();
    const int faulty = reader.firstFaultyLine();

    std::vector<std::uint8_t> again(5, 1);
    std::uint32_t againLength = 3;
    FUZZ_CHECK(reader.ReadByteCodeText(text, again, againLength, imageSize) == ok);
    FUZZ_CHECK(again == image);
    FUZZ_CHECK(againLength == length);
    FUZZ_CHECK(reader.problem() == problem);
    FUZZ_CHECK(reader.firstFaultyLine() == faulty);
    return 0;
}
