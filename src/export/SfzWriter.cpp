#include "export/SfzWriter.h"

namespace barquill {

std::string sfzText(const std::string& title, const std::vector<KitSound>& sounds) {
    std::string text = "// " + title + "\n<group> loop_mode=one_shot\n";
    for (const KitSound& sound : sounds)
        text += "<region> sample=" + sound.fileName + " key=" + std::to_string(sound.key) + "\n";
    return text;
}

} // namespace barquill
