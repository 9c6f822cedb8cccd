// The listing layer's fault hook, shared by both listing implementations.
#include "platform/listing.h"

static std::atomic<ListingFaultHook> gFaultHook{nullptr};

void setListingFaultHook(ListingFaultHook hook) { gFaultHook.store(hook); }

int32_t listingFault(std::u16string_view path, ListingStep step, int call) {
  ListingFaultHook hook = gFaultHook.load(std::memory_order_relaxed);
  return hook ? hook(path, step, call) : 0;
}
