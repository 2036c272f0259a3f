#include "shipping/packing/payload_form.h"

namespace kitbag {

bool ChoosePayloadForm(std::uint64_t productBytes, bool dataAreaAsked, FormChoice& choice,
                       std::string& error) {
    if (productBytes > kMaxProductBytes) {
        error = "the files hold " + std::to_string(productBytes) +
                " bytes; an installer holds at most " + std::to_string(kMaxProductBytes) +
                " (Windows starts no program of 4 GiB or more)";
        return false;
    }
    if (dataAreaAsked) {
        choice = {PayloadForm::kDataArea, "in the data area after the image, as --data-area asks"};
    } else if (productBytes > kMaxResourcePayload) {
        choice = {PayloadForm::kDataArea,
                  "in the data area after the image: " + std::to_string(productBytes) +
                      " bytes are more than the resources of an image mapped into a 32-bit "
                      "process take (" +
                      std::to_string(kMaxResourcePayload) + ")"};
    } else {
        choice = {PayloadForm::kResources, "in the image's resources"};
    }
    return true;
}

} // namespace kitbag
