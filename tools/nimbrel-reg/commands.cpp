#include "tools/nimbrel-reg/commands.h"

#include <fstream>
#include <iostream>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_names.h"
#include "platform/text/utf.h"
#include "tools/nimbrel-reg/arguments.h"
#include "tools/nimbrel-reg/registry_text.h"
#include "tools/nimbrel-reg/value_format.h"

namespace nimbrel_reg {
namespace {

using platform::Utf8FromWide;
using platform::WideFromUtf8;
using platform::registry::JoinKeyPath;
using platform::registry::RegKey;
using platform::registry::RegValue;

std::string Reason(LONG error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND: return "not found";
        case ERROR_ACCESS_DENIED: return "not allowed";
        case ERROR_INVALID_NAME: return "a key name holds a line break or other control character";
        case ERROR_KEY_DELETED: return "the key was deleted meanwhile";
        case ERROR_BADDB: return "the registry file is damaged or is not a registry";
        case ERROR_CANTOPEN: return "the registry file cannot be opened";
        case ERROR_CANTREAD: return "the registry file cannot be read";
        case ERROR_CANTWRITE: return "the registry file cannot be written";
        default: return "error " + std::to_string(error);
    }
}

int Fail(const std::string& what, LONG error) {
    std::cerr << "nimbrel-reg: " << what << ": " << Reason(error) << '\n';
    return kExitFailed;
}

int Usage(const std::string& problem) {
    std::cerr << "nimbrel-reg: " << problem << " (see nimbrel-reg --help)\n";
    return kExitUsage;
}

std::string Shown(const std::vector<std::wstring>& path) {
    return Utf8FromWide(L"HKEY_LOCAL_MACHINE" + (path.empty() ? L"" : L"\\" + JoinKeyPath(path)));
}

LONG OpenKey(const std::vector<std::wstring>& path, RegKey* key) {
    return RegKey::Open(HKEY_LOCAL_MACHINE, JoinKeyPath(path), key);
}

int ListKey(std::vector<std::wstring>& path) {
    RegKey key;
    std::vector<RegValue> values;
    std::vector<std::wstring> subkeys;
    LONG result = OpenKey(path, &key);
    if (result == ERROR_SUCCESS) result = key.Values(&values);
    if (result == ERROR_SUCCESS) result = key.Subkeys(&subkeys);
    if (result != ERROR_SUCCESS) return Fail(Shown(path), result);
    std::cout << Shown(path) << '\n';
    for (const auto& value : values) std::cout << ValueLine(value) << '\n';
    for (const auto& name : subkeys) {
        path.push_back(name);
        int status = ListKey(path);
        path.pop_back();
        if (status != kExitDone) return status;
    }
    return kExitDone;
}

}  // namespace

int Get(const Arguments& args) {
    if (args.empty() || args.size() > 2) return Usage("get takes KEY and an optional NAME");
    auto path = KeyArgument(args[0]);
    RegKey key;
    if (LONG result = OpenKey(path, &key); result != ERROR_SUCCESS) return Fail(Shown(path), result);
    RegValue value;
    std::wstring name = args.size() == 2 ? WideFromUtf8(args[1]) : std::wstring();
    if (LONG result = key.Read(name, &value); result != ERROR_SUCCESS)
        return Fail(Shown(path) + " value \"" + Utf8FromWide(name) + "\"", result);
    std::cout << ValueText(value) << '\n';
    return kExitDone;
}

int Set(const Arguments& args) {
    if (args.size() != 4) return Usage("set takes KEY NAME TYPE DATA");
    RegValue value{WideFromUtf8(args[1]), REG_NONE, {}};
    const std::string& type = args[2];
    const std::string& data = args[3];
    if (type == "string") {
        value.type = REG_SZ;
        value.data = platform::registry::StringData(WideFromUtf8(data));
    } else if (type == "dword") {
        auto number = DwordArgument(data);
        if (!number) return Usage("not a 32-bit number: " + data);
        value.type = REG_DWORD;
        for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<BYTE>(*number >> shift));
    } else if (type == "binary") {
        auto bytes = HexArgument(data);
        if (!bytes) return Usage("not hex bytes: " + data);
        value.type = REG_BINARY;
        value.data = std::move(*bytes);
    } else {
        return Usage("TYPE must be string, dword or binary, not " + type);
    }
    auto path = KeyArgument(args[0]);
    RegKey key;
    LONG result = RegKey::Create(HKEY_LOCAL_MACHINE, JoinKeyPath(path), &key);
    if (result == ERROR_SUCCESS) result = key.Write(value);
    return result == ERROR_SUCCESS ? kExitDone : Fail(Shown(path), result);
}

int Delete(const Arguments& args) {
    if (args.size() != 2) return Usage("delete takes KEY NAME");
    auto path = KeyArgument(args[0]);
    RegKey key;
    LONG result = OpenKey(path, &key);
    if (result == ERROR_SUCCESS) result = RegDeleteValueW(key.get(), WideFromUtf8(args[1]).c_str());
    return result == ERROR_SUCCESS ? kExitDone : Fail(Shown(path) + " value \"" + args[1] + "\"", result);
}

int DeleteKey(const Arguments& args) {
    if (args.size() != 1) return Usage("delete-key takes KEY");
    auto path = KeyArgument(args[0]);
    LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, JoinKeyPath(path).c_str());
    return result == ERROR_SUCCESS ? kExitDone : Fail(Shown(path), result);
}

int List(const Arguments& args) {
    if (args.size() > 1) return Usage("list takes at most KEY");
    auto path = KeyArgument(args.empty() ? std::string() : args[0]);
    return ListKey(path);
}

int Export(const Arguments& args) {
    if (args.size() > 1) return Usage("export takes at most KEY");
    auto path = KeyArgument(args.empty() ? std::string() : args[0]);
    LONG result = ExportText(path, std::cout);
    std::cout.flush();
    return result == ERROR_SUCCESS ? kExitDone : Fail(Shown(path), result);
}

int Import(const Arguments& args) {
    if (args.size() > 1) return Usage("import takes at most FILE");
    std::string source = args.empty() ? "-" : args[0];
    std::ifstream file;
    if (source != "-") {
        file.open(source);
        if (!file) {
            std::cerr << "nimbrel-reg: cannot open " << source << '\n';
            return kExitFailed;
        }
    }
    std::vector<TextChange> changes;
    TextError error;
    if (!ParseText(source == "-" ? std::cin : file, &changes, &error)) {
        std::cerr << "nimbrel-reg: " << (source == "-" ? "<stdin>" : source) << ':' << error.line << ": "
                  << error.message << " (nothing was imported)\n";
        return kExitUsage;
    }
    LONG result = ApplyText(changes);
    return result == ERROR_SUCCESS ? kExitDone : Fail("import", result);
}

}  // namespace nimbrel_reg
