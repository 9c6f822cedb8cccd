// There is no registry natively, so no policy is ever set.
#include "config/policy.h"

RawPolicyValue readRawPolicy(std::u16string_view, std::u16string_view, PolicyType) { return RawPolicyValue(); }
