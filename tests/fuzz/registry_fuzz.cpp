// The registry file reader and writer on arbitrary bytes: a file gives its
// bytes back, and edits keep every other value.
#include "platform/registry_document.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace tessaloom;

constexpr std::string_view kAdded = "HKEY_CLASSES_ROOT\\Fuzz\\Added";

// Parses `doc` written out again; every key of `keys` is there with the same
// values, in the same order, and `extra` keys more.
RegistryDocument CheckReparsed(const RegistryDocument& doc, const std::vector<RegistryKey>& keys,
                               std::size_t extra) {
  RegistryDocument again;
  std::string error;
  FUZZ_CHECK(RegistryDocument::Parse(doc.Serialize(), again, error));
  for (const RegistryKey& key : keys) {
    const RegistryKey* found = again.FindKey(key.path);
    FUZZ_CHECK(found != nullptr && found->values == key.values);
  }
  FUZZ_CHECK(again.Keys().size() == keys.size() + extra);
  return again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::AsText(data, size);
  RegistryDocument doc;
  std::string error;
  if (!RegistryDocument::Parse(bytes, doc, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  if (doc.Lossless()) FUZZ_CHECK(doc.Serialize() == bytes);
  const std::vector<RegistryKey> keys = doc.Keys();
  RegistryDocument edited = doc;
  bool addedIsNew = true;
  for (const RegistryKey& key : keys) {
    for (const RegistryValue& value : key.values) edited.SetValue(key.path, value);
    addedIsNew = addedIsNew && !EqualsIgnoreAsciiCase(key.path.substr(0, kAdded.size()), kAdded);
  }
  if (addedIsNew) edited.SetString(kAdded, "", "a line\nbreak");
  RegistryDocument again = CheckReparsed(edited, keys, addedIsNew ? 1 : 0);
  if (!addedIsNew) return 0;
  FUZZ_CHECK(again.FindValue(kAdded, "")->text == "a line\nbreak");
  FUZZ_CHECK(again.DeleteKeyTree(kAdded));
  CheckReparsed(again, keys, 0);
  return 0;
}
