#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "txlist/TransmitFile.h"

// Arbitrary bytes as a ".ctd" file. The parser must not crash, must not hold
// more entries than the bytes can carry (17 header bytes, 25 per entry), and no
// entry may unpack more than 8 data bytes whatever its stored dlc. A list it
// accepts must be written back so that it parses to the same bytes; a file with
// the short count form is exactly its own serialization up to the last entry.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CTDataObject list;
    const TransmitFileError error = ParseTransmitList(bytes, list);
    if (list.Count() > 0 && 17 + 25 * list.Count() > size) {
        std::abort();
    }
    for (size_t i = 0; i < list.Count(); ++i) {
        uint8_t shown[8];
        if (UnpackEntryData(*list.At(i), shown) != std::min<size_t>(list.At(i)->dlc, 8)) {
            std::abort();
        }
    }
    if (error != TransmitFileError::kNone) {
        return 0;
    }

    const std::string stored = SerializeTransmitList(list);
    CTDataObject again;
    if (ParseTransmitList(stored, again) != TransmitFileError::kNone ||
        SerializeTransmitList(again) != stored) {
        std::abort();
    }
    const bool shortCount = bytes.substr(15, 2) != "\xFF\xFF";
    if (shortCount && bytes.substr(0, stored.size()) != stored) {
        std::abort();
    }
    return 0;
}
