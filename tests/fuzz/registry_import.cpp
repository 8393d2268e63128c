// nimbrel-reg's text import (`nimbrel-reg import`): any text, parsed and applied to a registry
// in a private Nimbrel home, which starts empty for every input. The registry then holds what
// the changes say, key by key and value by value, and nothing else. What was imported exports
// to a text that imports to the same keys and values: exporting it again gives the same text.
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/registry/registry_key.h"
#include "platform/registry/registry_names.h"
#include "platform/text/case_fold.h"
#include "tools/nimbrel-reg/registry_text.h"

namespace {

using nimbrel_reg::TextChange;
using platform::FoldCase;
using platform::registry::JoinKeyPath;
using platform::registry::RegKey;
using platform::registry::RegValue;

// Keys by their path and values by their name, all case-folded as the registry compares them.
using Values = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
using Tree = std::map<std::vector<std::wstring>, Values>;

std::vector<std::wstring> Folded(const std::vector<std::wstring>& path) {
    std::vector<std::wstring> folded;
    for (const std::wstring& name : path) folded.push_back(FoldCase(name));
    return folded;
}

// What a change does, by what the text form says of it.
void Expect(const TextChange& change, Tree* tree) {
    const std::vector<std::wstring> path = Folded(change.key);
    if (change.kind == TextChange::Kind::DeleteKey) {
        std::erase_if(*tree, [&](const auto& key) {
            return key.first.size() >= path.size() && std::equal(path.begin(), path.end(), key.first.begin());
        });
        return;
    }
    for (std::size_t length = 0; length <= path.size(); ++length)
        tree->try_emplace(std::vector<std::wstring>(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(length)));
    Values& values = (*tree)[path];
    if (change.kind == TextChange::Kind::SetValue) values[FoldCase(change.value.name)] = {change.value.type, change.value.data};
    if (change.kind == TextChange::Kind::DeleteValue) values.erase(FoldCase(change.value.name));
}

// What the registry holds under the key at `path` (as stored), into `tree`.
void Read(std::vector<std::wstring>& path, Tree* tree) {
    RegKey key;
    std::vector<RegValue> values;
    std::vector<std::wstring> subkeys;
    FUZZ_CHECK(RegKey::Open(HKEY_LOCAL_MACHINE, JoinKeyPath(path), &key) == ERROR_SUCCESS);
    FUZZ_CHECK(key.Values(&values) == ERROR_SUCCESS && key.Subkeys(&subkeys) == ERROR_SUCCESS);
    Values& read = (*tree)[Folded(path)];
    for (RegValue& value : values) read[FoldCase(value.name)] = {value.type, std::move(value.data)};
    for (const std::wstring& name : subkeys) {
        path.push_back(name);
        Read(path, tree);
        path.pop_back();
    }
}

Tree Stored() {
    Tree tree;
    std::vector<std::wstring> root;
    Read(root, &tree);
    return tree;
}

// Every key and value under HKEY_LOCAL_MACHINE goes.
void EmptyRegistry() {
    RegKey root;
    FUZZ_CHECK(RegKey::Open(HKEY_LOCAL_MACHINE, L"", &root) == ERROR_SUCCESS);
    std::vector<RegValue> values;
    std::vector<std::wstring> subkeys;
    FUZZ_CHECK(root.Values(&values) == ERROR_SUCCESS && root.Subkeys(&subkeys) == ERROR_SUCCESS);
    for (const RegValue& value : values) FUZZ_CHECK(RegDeleteValueW(root.get(), value.name.c_str()) == ERROR_SUCCESS);
    for (const std::wstring& name : subkeys) FUZZ_CHECK(RegDeleteKeyW(HKEY_LOCAL_MACHINE, name.c_str()) == ERROR_SUCCESS);
}

// Into the empty registry; false when the text does not parse or a change cannot be made.
bool Import(const std::string& text) {
    std::istringstream in(text);
    std::vector<TextChange> changes;
    nimbrel_reg::TextError error;
    if (!nimbrel_reg::ParseText(in, &changes, &error)) {
        FUZZ_CHECK(error.line > 0 && !error.message.empty());
        return false;
    }
    if (nimbrel_reg::ApplyText(changes) != ERROR_SUCCESS) return false;
    Tree expected = {{{}, {}}};
    for (const TextChange& change : changes) Expect(change, &expected);
    FUZZ_CHECK(Stored() == expected);
    return true;
}

// The whole registry as text; false when a key's name cannot be written (a control character).
bool Export(std::string* text) {
    std::ostringstream out;
    const LONG result = nimbrel_reg::ExportText({}, out);
    FUZZ_CHECK(result == ERROR_SUCCESS || result == ERROR_INVALID_NAME);
    *text = out.str();
    return result == ERROR_SUCCESS;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::UsePrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput) return 0;
    std::string exported;
    if (Import(std::string(fuzzsupport::Text(data, size))) && Export(&exported)) {
        EmptyRegistry();
        FUZZ_CHECK(Import(exported));
        std::string again;
        FUZZ_CHECK(Export(&again));
        FUZZ_CHECK(again == exported);
    }
    EmptyRegistry();
    return 0;
}
