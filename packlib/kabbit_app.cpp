// The controller: the job state and the job objects that share it.
#include "packlib/kabbit_app.h"

namespace kb::pack {

CKabbitApp::CKabbitApp(sys::Sys& sys)
    : state_(sys),
      unpack_(state_, codec_),
      zip_(state_, codec_, unpack_),
      enum_(state_),
      pack_(state_, codec_),
      buffers_(state_) {}

CKabbitApp::~CKabbitApp() {
    // The workers run the job objects' code: they end before any job object goes.
    state_.WaitForWorkersAtEnd();
}

CKabbitApp& TheApp() {
    static CKabbitApp app;
    return app;
}

}  // namespace kb::pack
