// The maker's web site, help page and support addresses, shown by the main window and the about
// box.
#pragma once

namespace qs {

// Placeholders until the project's real addresses exist; short enough for the link rectangles
// of the dialog templates.
constexpr char kWebSiteAddress[] = "https://qs.example.org";
constexpr char kOnlineHelpAddress[] = "https://qs.example.org/help";
constexpr char kSupportAddress[] = "support@qs.example.org";
constexpr char kSupportMailto[] = "mailto:support@qs.example.org?Subject=Quillsweep";

} // namespace qs
