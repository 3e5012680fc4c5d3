#include "platform/TextRecognizer.h"

#include "platform/Translate.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <type_traits>

#include "platform/Log.h"

namespace tess {

namespace {

// The library's C interface, as far as it is used here (its header's types: handles are
// opaque, BOOL is int, the enumerations are ints).
constexpr int kPageSegAuto = 3;    // PSM_AUTO: find blocks and lines, no orientation check
constexpr int kLevelTextLine = 2;  // RIL_TEXTLINE
constexpr int kLevelWord = 3;      // RIL_WORD
constexpr int kSourceDpi = 2 * 96; // a screen's pixels, scaled up twice

// The usual homes of the models, when TESSDATA_PREFIX does not name one.
constexpr const char* kDataFolders[] = {"/usr/share/tesseract-ocr/5/tessdata",
                                        "/usr/share/tesseract-ocr/4.00/tessdata",
                                        "/usr/share/tessdata", "/usr/local/share/tessdata"};

bool CancelRequested(void* flag, int) {
    return static_cast<const std::atomic<bool>*>(flag)->load();
}

// A model's name may hold letters, digits, '_', '-' and one folder level ("script/Latin").
bool PlausibleLanguageName(const std::string& name) {
    return !name.empty() && name.find("..") == std::string::npos && name.front() != '/' &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '_' || c == '-' || c == '/';
           });
}

std::vector<std::string> SplitLanguages(const std::string& languages) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t plus = languages.find('+', start);
        out.push_back(languages.substr(start, plus - start));
        if (plus == std::string::npos)
            return out;
        start = plus + 1;
    }
}

} // namespace

struct TextRecognizer::Api {
    void* (*create)();
    void (*destroy)(void*);
    void (*end)(void*);
    int (*setVariable)(void*, const char*, const char*);
    int (*init3)(void*, const char*, const char*);
    void (*setPageSegMode)(void*, int);
    void (*setImage)(void*, const unsigned char*, int, int, int, int);
    void (*setSourceResolution)(void*, int);
    int (*recognize)(void*, void*);
    void* (*getIterator)(void*);
    int (*next)(void*, int);
    char* (*getUtf8Text)(const void*, int);
    float (*confidence)(const void*, int);
    const void* (*pageIterator)(const void*);
    int (*isAtBeginningOf)(const void*, int);
    void (*deleteIterator)(void*);
    void (*deleteText)(const char*);
    void (*clear)(void*);
    void* (*monitorCreate)();
    void (*monitorDelete)(void*);
    void (*monitorSetCancelFunc)(void*, bool (*)(void*, int));
    void (*monitorSetCancelThis)(void*, void*);
    // The OpenMP runtime's (null without it): 0 makes every parallel region of the calling
    // thread run on that thread alone.
    void (*setMaxActiveLevels)(int);

    // The library's functions, or null when it cannot be loaded or lacks one. A loaded
    // library stays loaded for the process's life.
    static const Api* load(const char* library) {
        static std::mutex lock;
        static std::map<std::string, Api> loaded;
        std::lock_guard<std::mutex> guard(lock);
        if (auto it = loaded.find(library); it != loaded.end())
            return &it->second;
        // The OpenMP runtime the library brings reads this only when it is loaded.
        setenv("OMP_THREAD_LIMIT", "1", 0);
        void* dl = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        if (!dl) {
            LogWarning("The text recogniser could not be loaded: %s", dlerror());
            return nullptr;
        }
        Api api{};
        bool complete = true;
        auto bind = [&](auto& function, const char* name) {
            void* symbol = dlsym(dl, name);
            complete = complete && symbol;
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
        };
        bind(api.create, "TessBaseAPICreate");
        bind(api.destroy, "TessBaseAPIDelete");
        bind(api.end, "TessBaseAPIEnd");
        bind(api.setVariable, "TessBaseAPISetVariable");
        bind(api.init3, "TessBaseAPIInit3");
        bind(api.setPageSegMode, "TessBaseAPISetPageSegMode");
        bind(api.setImage, "TessBaseAPISetImage");
        bind(api.setSourceResolution, "TessBaseAPISetSourceResolution");
        bind(api.recognize, "TessBaseAPIRecognize");
        bind(api.getIterator, "TessBaseAPIGetIterator");
        bind(api.next, "TessResultIteratorNext");
        bind(api.getUtf8Text, "TessResultIteratorGetUTF8Text");
        bind(api.confidence, "TessResultIteratorConfidence");
        bind(api.pageIterator, "TessResultIteratorGetPageIteratorConst");
        bind(api.isAtBeginningOf, "TessPageIteratorIsAtBeginningOf");
        bind(api.deleteIterator, "TessResultIteratorDelete");
        bind(api.deleteText, "TessDeleteText");
        bind(api.clear, "TessBaseAPIClear");
        bind(api.monitorCreate, "TessMonitorCreate");
        bind(api.monitorDelete, "TessMonitorDelete");
        bind(api.monitorSetCancelFunc, "TessMonitorSetCancelFunc");
        bind(api.monitorSetCancelThis, "TessMonitorSetCancelThis");
        // From the library's own dependencies: the OpenMP runtime it was built with.
        api.setMaxActiveLevels =
            reinterpret_cast<void (*)(int)>(dlsym(dl, "omp_set_max_active_levels"));
        if (!complete) {
            LogWarning("The text recogniser %s lacks functions this program needs", library);
            dlclose(dl);
            return nullptr;
        }
        return &loaded.emplace(library, api).first->second;
    }
};

std::string LanguageForLocale(const std::string& locale) {
    // Language (and, for Chinese, country) of a locale name to the model of its language.
    static const std::map<std::string, const char*> kModels = {
        {"ar", "ara"},        {"bg", "bul"},        {"ca", "cat"},       {"cs", "ces"},
        {"da", "dan"},        {"de", "deu"},        {"el", "ell"},       {"en", "eng"},
        {"es", "spa"},        {"et", "est"},        {"fi", "fin"},       {"fr", "fra"},
        {"he", "heb"},        {"hi", "hin"},        {"hr", "hrv"},       {"hu", "hun"},
        {"id", "ind"},        {"it", "ita"},        {"ja", "jpn"},       {"ko", "kor"},
        {"lt", "lit"},        {"lv", "lav"},        {"nb", "nor"},       {"nl", "nld"},
        {"nn", "nor"},        {"no", "nor"},        {"pl", "pol"},       {"pt", "por"},
        {"ro", "ron"},        {"ru", "rus"},        {"sk", "slk"},       {"sl", "slv"},
        {"sr", "srp"},        {"sv", "swe"},        {"th", "tha"},       {"tr", "tur"},
        {"uk", "ukr"},        {"vi", "vie"},        {"zh", "chi_sim"},   {"zh_CN", "chi_sim"},
        {"zh_SG", "chi_sim"}, {"zh_HK", "chi_tra"}, {"zh_TW", "chi_tra"}};
    // "ll_CC.codeset@modifier": the country is kept only where the table has it.
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (auto it = kModels.find(name); it != kModels.end())
        return it->second;
    if (auto it = kModels.find(name.substr(0, name.find('_'))); it != kModels.end())
        return it->second;
    return {};
}

std::string UserLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(name); value && *value)
            return value;
    return {};
}

std::string ChosenTextLanguages(const std::string& setting, const std::string& locale,
                                const std::vector<std::string>& installed) {
    if (!setting.empty())
        return setting;
    const std::string model = LanguageForLocale(locale);
    if (!model.empty() && std::find(installed.begin(), installed.end(), model) != installed.end())
        return model;
    return "eng";
}

std::string LanguageDataFolder() {
    if (const char* prefix = std::getenv("TESSDATA_PREFIX"); prefix && *prefix)
        return prefix;
    std::error_code ec;
    for (const char* folder : kDataFolders)
        if (std::filesystem::is_directory(folder, ec))
            return folder;
    return kDataFolders[0];
}

std::vector<std::string> InstalledLanguages(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::filesystem::path& p = entry.path();
        if (p.extension() == ".traineddata" && p.stem() != "osd")
            names.push_back(p.stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string MissingLanguageMessage(const std::string& languages, const std::string& folder) {
    std::error_code ec;
    for (const std::string& name : SplitLanguages(languages)) {
        if (PlausibleLanguageName(name) &&
            std::filesystem::is_regular_file(folder + "/" + name + ".traineddata", ec))
            continue;
        if (!PlausibleLanguageName(name) || name.find('/') != std::string::npos)
            return FormatText(Tr("No language data for '%s'."), name.c_str());
        std::string package = "tesseract-ocr-" + name;
        std::transform(package.begin(), package.end(), package.begin(), [](unsigned char c) {
            return c == '_' ? '-' : static_cast<char>(std::tolower(c));
        });
        // TRANSLATORS: %1$s is a language model's name ("deu"), %2$s the package to install
        return FormatText(Tr("No language data for '%1$s': install %2$s."), name.c_str(),
                          package.c_str());
    }
    return {};
}

std::unique_ptr<TextRecognizer> TextRecognizer::create(const std::string& languages,
                                                       std::string* error,
                                                       const std::string& folder,
                                                       const char* library) {
    const std::string data = folder.empty() ? LanguageDataFolder() : folder;
    // The library starts without complaint when one of several languages is missing, and
    // reads none of them when a lone one is: the models are checked first.
    if (std::string missing = MissingLanguageMessage(languages, data); !missing.empty()) {
        *error = missing;
        return nullptr;
    }
    const Api* api = Api::load(library);
    if (!api) {
        *error = kNoRecognizerMessage;
        return nullptr;
    }
    void* handle = api->create();
    if (!handle) {
        *error = kNoRecognizerMessage;
        return nullptr;
    }
    api->setVariable(handle, "debug_file", "/dev/null");
    if (api->init3(handle, data.c_str(), languages.c_str()) != 0) {
        api->end(handle);
        api->destroy(handle);
        *error = "Text recognition could not start with the language data '" + languages + "' in " +
                 data + ".";
        return nullptr;
    }
    api->setPageSegMode(handle, kPageSegAuto);
    // The picture comes dark on light already: no second reading of each line inverted.
    api->setVariable(handle, "tessedit_do_invert", "0");
    return std::unique_ptr<TextRecognizer>(new TextRecognizer(api, handle, languages));
}

TextRecognizer::TextRecognizer(const Api* api, void* handle, std::string languages)
    : api_(api), handle_(handle), languages_(std::move(languages)) {}

TextRecognizer::~TextRecognizer() {
    api_->end(handle_);
    api_->destroy(handle_);
}

bool TextRecognizer::recognize(const uint8_t* grey, int32_t width, int32_t height, int32_t stride,
                               std::vector<RecognizedWord>* words, std::string* error,
                               const std::atomic<bool>* cancel) {
    words->clear();
    if (width <= 0 || height <= 0)
        return true;
    // When another library brought the OpenMP runtime in before this one was loaded (the
    // sound resampler does in the window program), it read no thread limit: this thread's
    // parallel regions are kept to itself instead.
    if (api_->setMaxActiveLevels)
        api_->setMaxActiveLevels(0);
    api_->setImage(handle_, grey, width, height, 1, stride);
    api_->setSourceResolution(handle_, kSourceDpi);
    void* monitor = nullptr;
    if (cancel) {
        monitor = api_->monitorCreate();
        api_->monitorSetCancelFunc(monitor, &CancelRequested);
        api_->monitorSetCancelThis(monitor, const_cast<std::atomic<bool>*>(cancel));
    }
    const int failed = api_->recognize(handle_, monitor);
    if (monitor)
        api_->monitorDelete(monitor);
    if (cancel && cancel->load()) {
        api_->clear(handle_);
        *error = kRecognitionCancelledMessage;
        return false;
    }
    if (failed) {
        api_->clear(handle_);
        *error = "Text recognition failed.";
        return false;
    }
    if (void* it = api_->getIterator(handle_)) {
        const void* page = api_->pageIterator(it);
        bool lineStart = false;
        do {
            lineStart = lineStart || api_->isAtBeginningOf(page, kLevelTextLine);
            if (char* text = api_->getUtf8Text(it, kLevelWord)) {
                words->push_back({text, api_->confidence(it, kLevelWord), lineStart});
                api_->deleteText(text);
                lineStart = false;
            }
        } while (api_->next(it, kLevelWord));
        api_->deleteIterator(it);
    }
    api_->clear(handle_);
    return true;
}

TextRecognizer* RecognizerForThisThread(const std::string& languages, std::string* error) {
    thread_local std::unique_ptr<TextRecognizer> recognizer;
    if (!recognizer || recognizer->languages() != languages)
        recognizer.reset(); // one model in memory at a time
    if (!recognizer)
        recognizer = TextRecognizer::create(languages, error);
    return recognizer.get();
}

} // namespace tess
