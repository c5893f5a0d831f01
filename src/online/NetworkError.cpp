#include "online/NetworkError.h"

#include <QNetworkReply>

namespace lensdock {

bool NetworkError::isTimeout() const {
    return domain == platformDomain && code == QNetworkReply::TimeoutError;
}

} // namespace lensdock
