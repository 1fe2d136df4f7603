#pragma once

class KTNamedImages;

/// Registers the pictures of the windows and indicators that are painted in code: the spinner
/// frames "spinner00" to "spinner11", the striped bar's "loader_left", "loader_center",
/// "loader_right", "loader_fill_center" and "loader_anim", the scroller's "scroller_back",
/// "scroller_center", "scroller_top", "scroller_bottom", the rating placeholder "rate", and the
/// main window's title strip "toolbar_top".
void registerIndicatorPainters(KTNamedImages &images);
