#include "platform/ProgramError.h"

#include <new>

namespace fendix::platform {

std::string ErrorMessage(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EProgramError& programError) {
        return programError.what();
    } catch (const std::bad_alloc&) {
        return "Mémoire insuffisante";
    } catch (const std::exception& unexpected) {
        return std::string("Erreur inattendue (") + unexpected.what() + ")";
    } catch (...) {
    }
    return "Erreur inattendue";
}

} // namespace fendix::platform
