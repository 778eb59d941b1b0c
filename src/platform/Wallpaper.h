#pragma once
#include <string>
#include <utility>
#include <vector>

namespace nodo {

namespace pic {
class Bitmap;
}

// The desktop wallpaper: a stored key holding "Wallpaper" and "WallpaperStyle", and the running
// desktop told to show the file.
class Wallpaper {
public:
    virtual ~Wallpaper() = default;
    // The stored values ("Wallpaper", "WallpaperStyle"); an unknown name reads as empty.
    virtual void setValue(const std::string& name, const std::string& value) = 0;
    virtual std::string value(const std::string& name) const = 0;
    // Several values stored together; a store that is one file writes it once.
    virtual void setValues(const std::vector<std::pair<std::string, std::string>>& values) {
        for (const auto& [name, value] : values)
            setValue(name, value);
    }
    // Makes the running desktop show `file` as its wallpaper, stretched to the screen.
    // Returns false and fills `error` when that could not be done.
    virtual bool apply(const std::string& file, std::string& error) = 0;
    // The same for a file whose picture is at hand: `picture` is what `file` holds, at 24 bits a
    // pixel, so a desktop that is handed pixels rather than a file name need not read it back.
    virtual bool applyPicture(const std::string& file, const pic::Bitmap& picture, std::string& error) {
        (void)picture;
        return apply(file, error);
    }
    // Tells the desktop the picture the next applyPicture() will most likely hand over, while the
    // caller still writes its files: a desktop that is handed pixels may start sending them now,
    // but shows nothing before that apply. `picture` must stay as it is until the apply or forget().
    // Never throws: what cannot be prepared is done by the apply.
    virtual void prepare(const pic::Bitmap& picture) { (void)picture; }
    // What prepare() began will not be applied: it is dropped.
    virtual void forget() {}
    // The file the desktop itself was handed by the last apply that succeeded: a copy of `file` for
    // the desktops that are given a copy, `file` for those that read it straight. Empty before then.
    virtual std::string shownFile() const { return {}; }
};

} // namespace nodo
