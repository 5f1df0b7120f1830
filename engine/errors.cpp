#include "engine/errors.h"

namespace lumicomb {

LumicombError::LumicombError(ErrorKind kind, const std::string &message)
    : std::runtime_error(message), m_kind(kind) {}

std::string quoted(const std::string &text) { return "'" + text + "'"; }

} // namespace lumicomb
