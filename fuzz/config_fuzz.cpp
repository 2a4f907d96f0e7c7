// Fuzzes the component-file reader: the input is a whole component file. It goes the way a file
// from a setup package goes: references expanded, parsed by TinyXML, walked into a model with
// every attribute validated, then filtered for a running system and its orphans marked. Beyond
// the sanitizers, the model must agree with what the reader reported: an item count that the
// file total does not match, or a failure without a message, is a fault.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <tinyxml.h>

#include "config/ConfigDocument.h"
#include "config/ProductConfig.h"
#include "common/run/IInstallUIPromptEx.h"

namespace {

class CountingSink : public IInstallUIPromptEx {
public:
    void OnConfigError(std::string message) override {
        if (message.empty() && !m_allowEmpty) std::abort();
        ++count;
    }
    size_t count = 0;
    bool m_allowEmpty = true;  // TinyXML leaves no text for a document without elements
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("QY_FUZZ_REF", "a&b<c>\"d\"", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TiXmlDocument doc;
    if (!config::ParseConfigBuffer(bytes, doc) || !doc.RootElement()) return 0;

    CountingSink sink;
    sink.m_allowEmpty = false;
    CProductConfig product;
    product.m_ErrorSink = &sink;
    auto model = std::make_unique<CComponentConfig>();
    model->m_FileName = L"fuzz.config";
    const bool ok = product.ParseComponentDocument(doc.RootElement(), L"fuzz\\100%s.config", *model);
    if (!ok && sink.count == 0) std::abort();  // a failure always tells why
    if (product.m_FileCount != static_cast<int32_t>(model->m_Files.size())) std::abort();

    product.m_ComponentConfigs.push_back(std::move(model));
    product.m_ComponentConfigs.push_back(std::make_unique<CComponentConfig>());
    product.m_ComponentConfigs.back()->m_FileName = L"fuzz.config";
    product.ApplyConditions("6.1", "x86");
    if (product.m_ComponentConfigs.size() != 1) std::abort();  // repeated file names collapse
    return 0;
}
