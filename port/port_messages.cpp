#include "port/port_messages.h"

namespace kavtra::port_messages {
namespace {

const char kUseSimulation[] = "Без порта программу можно запустить на модели платы: KAVTRA_PORT=sim.";

const char kUsePpdev[] =
    "Работайте с портом через драйвер ppdev, ему root не нужен:\n"
    "    KAVTRA_PORT=/dev/parport0\n"
    "(пользователь должен состоять в группе lp).";

PortFailure portFailure(const std::string& device, const std::string& reason, const std::string& fix) {
    return {device, "Не удаётся открыть порт " + device + ": " + reason + ".\n\n" + fix};
}

std::string quoted(const std::string& systemText) { return " (" + systemText + ")"; }

}  // namespace

PortFailure noAccess(const std::string& device, const std::string& group, const std::string& user) {
    const std::string relogin =
        "Затем выйдите из системы и войдите снова: членство в группе "
        "действует с нового входа.";
    if (group.empty() || group == "root") {
        return portFailure(device, "нет прав доступа к устройству (Permission denied)",
                           "Устройство " + device +
                               " доступно только администратору. Отдайте его группе lp "
                               "правилом udev и добавьте в эту группу пользователя " +
                               user +
                               ":\n"
                               "    echo 'KERNEL==\"parport[0-9]*\", GROUP=\"lp\", MODE=\"0660\"' | "
                               "sudo tee /etc/udev/rules.d/60-parport.rules\n"
                               "    sudo udevadm trigger\n"
                               "    sudo usermod -aG lp " +
                               user + "\n" + relogin);
    }
    return portFailure(device, "нет прав доступа к устройству (Permission denied)",
                       "Устройство " + device + " принадлежит группе " + group + ". Добавьте в неё пользователя " +
                           user +
                           ":\n"
                           "    sudo usermod -aG " +
                           group + " " + user + "\n" + relogin);
}

PortFailure noDevice(const std::string& device, const std::string& systemText) {
    return portFailure(device, "такого устройства нет" + quoted(systemText),
                       "В компьютере нет параллельного порта, или не загружен драйвер ppdev. "
                       "Загрузите его:\n"
                       "    sudo modprobe ppdev\n"
                       "и чтобы он загружался при каждом старте:\n"
                       "    echo ppdev | sudo tee /etc/modules-load.d/ppdev.conf\n" +
                           std::string(kUseSimulation));
}

PortFailure busy(const std::string& device) {
    return portFailure(device, "порт занят другим драйвером или программой",
                       "Порт держит другой драйвер, обычно драйвер принтера lp, или другая "
                       "программа (например, вторая копия этой). Выгрузите драйвер принтера:\n"
                       "    sudo modprobe -r lp\n"
                       "и закройте другие программы, работающие с портом.");
}

PortFailure deviceError(const std::string& device, const std::string& systemText) {
    return portFailure(device, "ошибка устройства" + quoted(systemText),
                       "Проверьте, что " + device +
                           " — параллельный порт (драйвер ppdev), "
                           "или выберите другой порт переменной KAVTRA_PORT.");
}

PortFailure directIoNeedsRoot(const std::string& device) {
    return portFailure(device,
                       "прямой доступ к портам ввода-вывода разрешён только root "
                       "(Operation not permitted)",
                       kUsePpdev);
}

PortFailure directIoLockedDown(const std::string& device) {
    return portFailure(device,
                       "ядро запрещает прямой доступ к портам даже root: оно заблокировано "
                       "(lockdown, обычно из-за Secure Boot) или у процесса нет права "
                       "CAP_SYS_RAWIO",
                       kUsePpdev);
}

PortFailure directIoUnsupported(const std::string& device) {
    return portFailure(device, "на этой машине прямой доступ к портам ввода-вывода невозможен", kUsePpdev);
}

PortFailure directIoError(const std::string& device, const std::string& systemText) {
    return portFailure(device, "ядро не дало доступ к портам" + quoted(systemText),
                       "Проверьте адрес порта (KAVTRA_PORT=io:0x378; адрес платы PCIe "
                       "показывает lspci -v) или работайте через драйвер ppdev: "
                       "KAVTRA_PORT=/dev/parport0.");
}

PortFailure libraryMissing(const std::string& library, const std::string& systemText) {
    return portFailure(library, "библиотека не найдена" + quoted(systemText),
                       "Положите " + library +
                           " в папку программы, рядом с kavtra.exe. "
                           "При первом запуске библиотека устанавливает свой драйвер, поэтому "
                           "в первый раз запустите программу от имени администратора.");
}

PortFailure libraryWrongArchitecture(const std::string& library, const std::string& systemText) {
    return portFailure(library, "библиотека другой разрядности" + quoted(systemText),
                       "64-разрядной программе нужна inpoutx64.dll, 32-разрядной — "
                       "inpout32.dll. Положите нужную в папку программы, рядом с kavtra.exe.");
}

PortFailure libraryEntryMissing(const std::string& library, const std::string& entry) {
    return portFailure(library, "в библиотеке нет функции " + entry,
                       "Это не та библиотека или её старая версия. Положите в папку "
                       "программы, рядом с kavtra.exe, " +
                           library + ", в которой есть Inp32, Out32 и IsInpOutDriverOpen.");
}

PortFailure libraryDriverNotOpen(const std::string& library) {
    return portFailure(library,
                       "драйвер библиотеки не запущен, а без него она ничего не пишет в порт "
                       "и читает нули",
                       "Запустите программу один раз от имени администратора: библиотека "
                       "установит свой драйвер. Дальше права администратора не нужны.");
}

PortFailure unknownChoice(const std::string& value) {
    return {"KAVTRA_PORT=" + value, "Непонятное значение KAVTRA_PORT: «" + value +
                                        "».\n\n"
                                        "Возможные значения:\n"
                                        "    /dev/parport0   порт через драйвер ppdev (Linux)\n"
                                        "    io:0x378        прямой доступ к портам с этого адреса\n"
                                        "    sim             модель платы вместо порта"};
}

PortFailure notOnThisSystem(const std::string& value) {
    return {"KAVTRA_PORT=" + value, "Порт «" + value +
                                        "» в этой системе недоступен: так выбирают порт только в Linux.\n\n"
                                        "Возможные значения здесь: io:0x378 (адрес порта) или sim (модель платы)."};
}

PortFailure traceFileError(const std::string& path, const std::string& systemText) {
    return {path, "Не удаётся открыть файл трассировки порта " + path + quoted(systemText) +
                      ".\n\nУкажите в KAVTRA_PORT_TRACE файл в папке, куда можно писать."};
}

}  // namespace kavtra::port_messages
