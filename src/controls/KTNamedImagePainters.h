#pragma once

class KTNamedImages;

/// Registers the pictures painted in code: the three-part caps and centres of the buttons
/// ("btn", "dropdown", "button", "round_btn" and their on forms) and of the tab strip
/// ("tab_select" with its round ends, and the on forms).
void registerBuiltInPainters(KTNamedImages &images);
