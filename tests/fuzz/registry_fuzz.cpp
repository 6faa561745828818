// The registry file reader and writer on arbitrary bytes. A file that parses
// gives its bytes back untouched (unless it is UTF-16 that does not convert
// back); with every value written again by the writer and a key added, the
// text parses to the same values plus the new one; with that key removed
// again, to the same values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using tessaloom::RegistryDocument;
using tessaloom::RegistryKey;

constexpr char kAdded[] = "HKEY_CLASSES_ROOT\\Fuzz\\Added";

RegistryDocument Reparsed(const RegistryDocument& doc) {
  RegistryDocument again;
  std::string error;
  FUZZ_CHECK(RegistryDocument::Parse(doc.Serialize(), again, error));
  return again;
}

// Every key of `keys` is in `doc` with the same values, in the same order.
void CheckSameValues(const std::vector<RegistryKey>& keys, const RegistryDocument& doc) {
  for (const RegistryKey& key : keys) {
    const RegistryKey* found = doc.FindKey(key.path);
    FUZZ_CHECK(found != nullptr);
    FUZZ_CHECK(found->values == key.values);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RegistryDocument doc;
  std::string error;
  if (!RegistryDocument::Parse(bytes, doc, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  if (doc.Lossless()) FUZZ_CHECK(doc.Serialize() == bytes);
  const std::vector<RegistryKey> keys = doc.keys();

  RegistryDocument edited = doc;
  for (const RegistryKey& key : keys) {
    for (const tessaloom::RegistryValue& value : key.values) edited.SetValue(key.path, value);
  }
  bool addedIsNew = true;
  for (const RegistryKey& key : keys) {
    addedIsNew = addedIsNew &&
                 !tessaloom::EqualsIgnoreAsciiCase(key.path.substr(0, sizeof kAdded - 1), kAdded);
  }
  if (addedIsNew) edited.SetString(kAdded, "", "a line\nbreak");
  const RegistryDocument again = Reparsed(edited);
  CheckSameValues(keys, again);
  FUZZ_CHECK(again.keys().size() == keys.size() + (addedIsNew ? 1 : 0));
  if (!addedIsNew) return 0;
  FUZZ_CHECK(again.FindValue(kAdded, "")->text == "a line\nbreak");

  RegistryDocument removed = again;
  FUZZ_CHECK(removed.DeleteKeyTree(kAdded));
  const RegistryDocument back = Reparsed(removed);
  CheckSameValues(keys, back);
  FUZZ_CHECK(back.keys().size() == keys.size());
  return 0;
}
