#pragma once

// The pages ask for the Windows fonts "Tahoma" and "Segoe UI". Makes them
// resolve to metric-compatible free fonts so that texts keep the size the
// pages were laid out for. Call once after the application exists and before
// the first page is loaded.
void installFontFallbacks();
