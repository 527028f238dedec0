#include "product_info.h"

namespace omfplugin {

const omfProductIdentification_t& SessionProductInfo() {
    static const omfProductIdentification_t info = [] {
        omfProductIdentification_t product{};
        product.companyName = "Orvane Design";
        product.productName = "Tarsel";
        product.productVersionString = "8.0";
        product.productID = 458;
        product.platform = "Windows";
        product.productVersion = {8, 0, 0, kVersionReleased, 0};
        return product;
    }();
    return info;
}

} // namespace omfplugin
