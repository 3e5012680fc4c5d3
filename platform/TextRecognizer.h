#pragma once
// The text recogniser: the Tesseract library, loaded with dlopen through its C interface the
// first time text is asked for, so the program starts and runs without it. Before it loads,
// OMP_THREAD_LIMIT is set to 1 (unless the user set it): its OpenMP runtime reads the
// variable only when it loads, and on a busy machine of two cores its threads made a page
// many times slower. Where another library loaded the OpenMP runtime first (so it never read
// the limit), each recognition keeps its parallel regions to its own thread. The library's own
// messages go nowhere (its `debug_file`).
//
// One recogniser belongs to one thread; the model is loaded when it is made and kept as long
// as it lives. RecognizerForThisThread keeps one per thread for the thread's life.
//     std::string error;
//     TextRecognizer* r = RecognizerForThisThread("eng", &error);
//     std::vector<RecognizedWord> words;
//     if (!r || !r->recognize(grey, width, height, width, &words, &error)) ...
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tess {

// A word as the recogniser read it: its text, how sure it is (0 to 100) and whether it
// begins a line. (media/TextPrep.h makes text of them.)
struct RecognizedWord {
    std::string text;
    float confidence = 0;
    bool startsLine = false;
};

inline constexpr char kNoRecognizerMessage[] =
    "Text recognition needs Tesseract: install the packages libtesseract5 and "
    "tesseract-ocr-eng.";
inline constexpr char kRecognitionCancelledMessage[] = "Text recognition cancelled.";

// The library's file name, as dlopen finds it.
inline constexpr char kRecognizerLibrary[] = "libtesseract.so.5";

// The folder of the language models: $TESSDATA_PREFIX when set, else the first of the
// system's usual folders that exists (Debian's /usr/share/tesseract-ocr/5/tessdata first).
std::string LanguageDataFolder();

// The names of the models installed in `folder` ("eng", "deu", ...; not "osd", which holds
// no language), sorted.
std::vector<std::string> InstalledLanguages(const std::string& folder);

// The first language of `languages` ("eng+deu") that has no model in `folder`, as the
// message to show ("No language data for 'deu': install tesseract-ocr-deu."); empty when
// every one has. The package of a script model ("script/Latin") is named by its file.
std::string MissingLanguageMessage(const std::string& languages, const std::string& folder);

// The model of a locale's language ("de_DE.UTF-8" gives "deu", "zh_CN" "chi_sim", "zh_TW"
// "chi_tra"); empty for a locale the table does not know.
std::string LanguageForLocale(const std::string& locale);

// The user's locale for messages: LC_ALL, else LC_MESSAGES, else LANG ("" when none is set).
std::string UserLocale();

// The models to read text with: `setting` ("eng+deu") when it is not empty, else the
// locale's model when it is among `installed`, else "eng".
std::string ChosenTextLanguages(const std::string& setting, const std::string& locale,
                                const std::vector<std::string>& installed);

class TextRecognizer {
public:
    // Loads the library (once per process: `library` is looked at only the first time) and
    // the models of `languages` from `folder` (empty: LanguageDataFolder()). Null, with the
    // message in `error`, when the library cannot be loaded, a model is missing or the
    // library refuses to start.
    static std::unique_ptr<TextRecognizer> create(const std::string& languages, std::string* error,
                                                  const std::string& folder = {},
                                                  const char* library = kRecognizerLibrary);
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer&) = delete;
    TextRecognizer& operator=(const TextRecognizer&) = delete;

    const std::string& languages() const { return languages_; }

    // Reads the grey picture (`stride` bytes a row) into words in reading order. With
    // `cancel`, recognition stops soon after it becomes true (false, kRecognitionCancelled).
    // A picture without text gives true and no words.
    bool recognize(const uint8_t* grey, int32_t width, int32_t height, int32_t stride,
                   std::vector<RecognizedWord>* words, std::string* error,
                   const std::atomic<bool>* cancel = nullptr);

private:
    struct Api;
    TextRecognizer(const Api* api, void* handle, std::string languages);
    const Api* api_;
    void* handle_;
    std::string languages_;
};

// This thread's recogniser for `languages`, made on the first call and kept until the
// thread ends (made anew when the languages change). Null with `error` as create() gives.
TextRecognizer* RecognizerForThisThread(const std::string& languages, std::string* error);

} // namespace tess
