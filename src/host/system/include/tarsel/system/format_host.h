// FormatHost: drives one format object the way the host application does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tarsel/script_object.h"
#include "tarsel/system/tool.h"

class Image;
class ImageFormat;
class Registry;
class TarselDoc;

// Reading: Open makes the format object for a file (by its extension), asks IsThisFormat and
// LoadHeader, adds the load inputs to a loader tool and applies their first values; then
// SetInput / ApplyRequest / LoadFrame as often as wanted. Saving: Create makes the format
// object, adds the save inputs; SetInput as wanted, then SaveHeader (applying the inputs) and
// SaveFrame per frame. The destructor closes the format and drops it.
class FormatHost {
  public:
    // Frame attributes formats answer through CopyAttr.
    static constexpr Tag FirstFrameAttr = 0x100000ca; // int32_t
    static constexpr Tag FrameCountAttr = 0x100000cb; // int32_t
    static constexpr Tag FrameRateAttr = 0x200000c8;  // double

    // Null with a reason in `error` when no usable image format class takes the extension,
    // the class makes no object, or the format refuses the file.
    static std::unique_ptr<FormatHost> Open(const std::string& path, TarselDoc* document,
                                            std::string* error = nullptr);
    // The same with the format class chosen by the caller, whatever the file's name: for a
    // tool that knows which plug-in reads the file.
    static std::unique_ptr<FormatHost> OpenAs(Registry* formatClass, const std::string& path,
                                              TarselDoc* document, std::string* error = nullptr);
    // A format object of the class for `path`'s extension, ready for its save inputs.
    static std::unique_ptr<FormatHost> Create(const std::string& path, TarselDoc* document,
                                              std::string* error = nullptr);
    ~FormatHost();
    FormatHost(const FormatHost&) = delete;
    FormatHost& operator=(const FormatHost&) = delete;

    ImageFormat* Format() const { return m_Format.get(); }
    Tool& GetTool() { return m_Tool; }

    // Changes an input's value; the format hears of it through its input-changed operation.
    bool SetInput(TsID inputID, const Parameter& value);
    // Hands the format the current values of all inputs as one request.
    bool ApplyRequest();

    int32_t FirstFrame() const;
    int32_t FrameCount() const;
    double FrameRate() const;
    // Frame `frame` as a new image the caller releases with Recycle, or null.
    Image* LoadFrame(int32_t frame);

    bool SaveHeader(Image* templateImage);
    bool SaveFrame(Image* image);

  private:
    FormatHost(TarselDoc* document, bool saving, std::string path);
    static std::unique_ptr<FormatHost> Make(const std::string& path, TarselDoc* document,
                                            bool saving, std::string* error);
    static std::unique_ptr<FormatHost> MakeOf(Registry* registry, const std::string& path,
                                              TarselDoc* document, bool saving,
                                              std::string* error);
    // Asks the format whether it reads `path`, loads the header and adds the load inputs.
    static std::unique_ptr<FormatHost> Load(std::unique_ptr<FormatHost> host,
                                            const std::string& path, std::string* error);

    std::string m_Path;
    bool m_Saving;
    Tool m_Tool;
    RefObject<ImageFormat> m_Format;
};
