#include "profile/profile.h"

// Placeholder until profile databases land.
namespace corvane {
StatusCode Profile::loadProfileDatabase() { return StatusCode::FileNotFound; }
StatusCode Profile::saveProfileDatabase() { return StatusCode::WriteFailed; }
void RecordDatabase::copyHeader(const DatabaseHeader&) {}
} // namespace corvane
