// X11 beneath Qt's scaling: window sizes in device pixels as the server has
// them, and images put straight onto a window, one pixel per device pixel.
#include "qt_backend.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace platform::qt::x11 {

namespace {

xcb_connection_t* Connection() {
    auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return pX11 ? pX11->connection() : nullptr;
}

// Whether the server takes a depth-24 image as 32-bit words in this machine's
// byte order, which is what a QImage of Format_RGB32 holds.
bool TakesRgb32(xcb_connection_t* pConnection) {
    const xcb_setup_t* pSetup = xcb_get_setup(pConnection);
    if (pSetup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(pSetup); it.rem; xcb_format_next(&it))
        if (it.data->depth == 24) return it.data->bits_per_pixel == 32;
    return false;
}

class ConfigureWatcher final : public QAbstractNativeEventFilter {
public:
    explicit ConfigureWatcher(std::function<void(WId)> onConfigure) : onConfigure_(std::move(onConfigure)) {}
    bool nativeEventFilter(const QByteArray& eventType, void* pMessage, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        auto* pEvent = static_cast<xcb_generic_event_t*>(pMessage);
        if ((pEvent->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY)
            onConfigure_(reinterpret_cast<xcb_configure_notify_event_t*>(pEvent)->window);
        return false;
    }

private:
    std::function<void(WId)> onConfigure_;
};

}  // namespace

bool CanDraw() {
    xcb_connection_t* pConnection = Connection();
    return pConnection && QGuiApplication::primaryScreen()->depth() == 24 && TakesRgb32(pConnection);
}

bool Geometry(WId window, QRect* pRect) {
    xcb_connection_t* pConnection = Connection();
    if (!pConnection || !window) return false;
    auto xWindow = static_cast<xcb_window_t>(window);
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> reply(
        xcb_get_geometry_reply(pConnection, xcb_get_geometry(pConnection, xWindow), nullptr), &std::free);
    if (!reply) return false;
    *pRect = QRect(reply->x, reply->y, reply->width, reply->height);
    return true;
}

void Resize(WId window, QSize size) {
    xcb_connection_t* pConnection = Connection();
    if (!pConnection || size.isEmpty()) return;
    const uint32_t values[] = {static_cast<uint32_t>(size.width()), static_cast<uint32_t>(size.height())};
    xcb_configure_window(pConnection, static_cast<xcb_window_t>(window),
                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    xcb_flush(pConnection);
}

// Whole rows, in bands that each fit in one request.
void PutRows(WId window, const QImage& image, int iTop, int iBottom) {
    xcb_connection_t* pConnection = Connection();
    iTop = std::max(iTop, 0);
    iBottom = std::min(iBottom, image.height());
    if (!pConnection || !window || image.isNull() || iTop >= iBottom) return;
    auto xWindow = static_cast<xcb_window_t>(window);
    xcb_gcontext_t gc = xcb_generate_id(pConnection);
    xcb_create_gc(pConnection, gc, xWindow, 0, nullptr);
    const size_t cbRow = static_cast<size_t>(image.bytesPerLine());
    const size_t cbRequest = static_cast<size_t>(xcb_get_maximum_request_length(pConnection)) * 4 - 64;
    const int iBand = static_cast<int>(std::max<size_t>(1, cbRequest / cbRow));
    for (int y = iTop; y < iBottom; y += iBand) {
        int iRows = std::min(iBand, iBottom - y);
        xcb_put_image(pConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, xWindow, gc, static_cast<uint16_t>(image.width()),
                      static_cast<uint16_t>(iRows), 0, static_cast<int16_t>(y), 0, 24,
                      static_cast<uint32_t>(cbRow * iRows), image.constScanLine(y));
    }
    xcb_free_gc(pConnection, gc);
    xcb_flush(pConnection);
}

void FillBlack(WId window, int iWidth, int iHeight) {
    xcb_connection_t* pConnection = Connection();
    if (!pConnection || !window || iWidth <= 0 || iHeight <= 0) return;
    auto xWindow = static_cast<xcb_window_t>(window);
    xcb_gcontext_t gc = xcb_generate_id(pConnection);
    const uint32_t ulBlack = 0;  // the 24-bit true-colour visual CanDraw asks for
    xcb_create_gc(pConnection, gc, xWindow, XCB_GC_FOREGROUND, &ulBlack);
    xcb_rectangle_t rect = {0, 0, static_cast<uint16_t>(std::min(iWidth, 65535)),
                            static_cast<uint16_t>(std::min(iHeight, 65535))};
    xcb_poly_fill_rectangle(pConnection, xWindow, gc, 1, &rect);
    xcb_free_gc(pConnection, gc);
    xcb_flush(pConnection);
}

QAbstractNativeEventFilter* NewConfigureWatcher(std::function<void(WId)> onConfigure) {
    return new ConfigureWatcher(std::move(onConfigure));
}

}  // namespace platform::qt::x11
