#include "util/ShowMessage.h"

namespace kes {

MessageRequest& Msg() {
    static MessageRequest request;
    return request;
}

}  // namespace kes
