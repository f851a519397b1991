#pragma once
// The name that is registered for a host name: its public suffix (the ICANN part of the Public Suffix
// List, from the system's copy or libpsl's own) and one label more.

#include <string>
#include <string_view>

namespace vantle::registry {

// "mail.example.co.uk" -> "example.co.uk". ascii: every label in its ASCII form, lower case; a final
// dot is dropped. Empty when the name is itself a public suffix, has an empty label, or is an address.
std::string RegistrableDomain(std::string_view ascii);

}  // namespace vantle::registry
