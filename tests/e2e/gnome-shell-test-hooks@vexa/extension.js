// The test's hands and eyes inside GNOME Shell, on the session bus as
// vexa.test.GnomeShell at /vexa/test/GnomeShell (see with-gnome.sh for the
// calls). Input goes through virtual devices, so the shell sees it as it sees
// a user's; screenshots are the shell's own, without the pointer.
/* exported init */
const { Clutter, Gio, GLib, Shell } = imports.gi;
const Main = imports.ui.main;
const ModalDialog = imports.ui.modalDialog;

const BUS_NAME = 'vexa.test.GnomeShell';
const OBJECT_PATH = '/vexa/test/GnomeShell';
const IFACE = `<node>
  <interface name="vexa.test.GnomeShell">
    <method name="Screenshot"><arg type="s" direction="in" name="path"/></method>
    <method name="MovePointer">
      <arg type="d" direction="in" name="x"/><arg type="d" direction="in" name="y"/>
    </method>
    <method name="Button">
      <arg type="u" direction="in" name="button"/><arg type="b" direction="in" name="pressed"/>
    </method>
    <method name="Key"><arg type="u" direction="in" name="keyval"/></method>
    <method name="Windows"><arg type="a(ssuiiii)" direction="out" name="windows"/></method>
    <method name="AccessDialog"><arg type="as" direction="out" name="buttons"/></method>
    <method name="AnswerAccessDialog">
      <arg type="s" direction="in" name="label"/><arg type="b" direction="out" name="clicked"/>
    </method>
    <method name="ShowTopBar"><arg type="b" direction="in" name="shown"/></method>
    <signal name="WindowShown">
      <arg type="s" name="title"/><arg type="u" name="pid"/>
    </signal>
  </interface>
</node>`;

function now() {
    return GLib.get_monotonic_time();
}

class TestHooks {
    enable() {
        const seat = Clutter.get_default_backend().get_default_seat();
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._dbus = Gio.DBusExportedObject.wrapJSObject(IFACE, this);
        this._dbus.export(Gio.DBus.session, OBJECT_PATH);
        this._shown = new WeakSet();
        this._createdId = global.display.connect('window-created', (display, window) => {
            this._announceFirstFrame(window);
        });
        // The name is owned once the desktop is as after a login, without the
        // overview the shell starts in: the harness waits for it.
        const ready = () => {
            Main.overview.hide();
            this._nameId = Gio.bus_own_name_on_connection(
                Gio.DBus.session, BUS_NAME, Gio.BusNameOwnerFlags.NONE, null, null);
        };
        if (Main.layoutManager._startingUp)
            this._startupId = Main.layoutManager.connect('startup-complete', ready);
        else
            ready();
    }

    // Tells the bus once the window's first frame is on the screen.
    _announceFirstFrame(window) {
        const actor = window.get_compositor_private();
        if (!actor) {
            GLib.idle_add(GLib.PRIORITY_HIGH, () => {
                this._announceFirstFrame(window);
                return GLib.SOURCE_REMOVE;
            });
            return;
        }
        actor.connect('first-frame', () => {
            this._shown.add(window);
            this._dbus?.emit_signal('WindowShown',
                new GLib.Variant('(su)', [window.get_title() ?? '', window.get_pid()]));
        });
    }

    disable() {
        global.display.disconnect(this._createdId);
        if (this._startupId)
            Main.layoutManager.disconnect(this._startupId);
        if (this._nameId)
            Gio.bus_unown_name(this._nameId);
        this._dbus.unexport();
        this._pointer = this._keyboard = this._dbus = null;
        this._startupId = this._nameId = 0;
    }

    ScreenshotAsync([path], invocation) {
        const file = Gio.File.new_for_path(path);
        const stream = file.replace(null, false, Gio.FileCreateFlags.NONE, null);
        new Shell.Screenshot().screenshot(false, stream).then(() => {
            stream.close(null);
            invocation.return_value(null);
        }).catch(e => invocation.return_error_literal(Gio.IOErrorEnum, Gio.IOErrorEnum.FAILED, `${e}`));
    }

    MovePointer(x, y) {
        this._pointer.notify_absolute_motion(now(), x, y);
    }

    // Clutter's numbers: 1 left, 2 middle, 3 right.
    Button(button, pressed) {
        this._pointer.notify_button(now(), button,
            pressed ? Clutter.ButtonState.PRESSED : Clutter.ButtonState.RELEASED);
    }

    Key(keyval) {
        this._keyboard.notify_keyval(now(), keyval, Clutter.KeyState.PRESSED);
        this._keyboard.notify_keyval(now(), keyval, Clutter.KeyState.RELEASED);
    }

    // Every window that has shown its first frame, from the bottom of the stack
    // up: title, WM class, process id and the frame's rectangle (the title bar
    // included, the shadow not).
    Windows() {
        return global.display.sort_windows_by_stacking(
            global.get_window_actors().map(actor => actor.meta_window)
                .filter(w => this._shown.has(w))).map(w => {
            const frame = w.get_frame_rect();
            return [w.get_title() ?? '', w.get_wm_class() ?? '', w.get_pid(),
                frame.x, frame.y, frame.width, frame.height];
        });
    }

    _accessDialog() {
        const dialog = Main.shellAccessDialogDBusService?._accessDialog;
        return dialog && dialog.state === ModalDialog.State.OPENED ? dialog : null;
    }

    // The labels of the open system access dialog's buttons; none when no
    // such dialog is open.
    AccessDialog() {
        return this._accessDialog()?.buttonLayout.get_children().map(b => b.label) ?? [];
    }

    // Clicks the open access dialog's button of that label with the pointer,
    // as a user would, and returns once the click is done; false when there is
    // no such button.
    AnswerAccessDialogAsync([label], invocation) {
        const button = this._accessDialog()?.buttonLayout.get_children()
            .find(b => b.label === label);
        if (!button) {
            invocation.return_value(new GLib.Variant('(b)', [false]));
            return;
        }
        const [x, y] = button.get_transformed_position();
        const [width, height] = button.get_transformed_size();
        // Each step in a frame of its own: the button must see the pointer
        // enter before it is pressed.
        const steps = [
            () => this.MovePointer(x + width / 2, y + height / 2),
            () => this.Button(Clutter.BUTTON_PRIMARY, true),
            () => this.Button(Clutter.BUTTON_PRIMARY, false),
        ];
        const next = () => {
            steps.shift()();
            if (steps.length === 0) {
                invocation.return_value(new GLib.Variant('(b)', [true]));
                return GLib.SOURCE_REMOVE;
            }
            return GLib.SOURCE_CONTINUE;
        };
        GLib.timeout_add(GLib.PRIORITY_DEFAULT, 50, next);
    }

    // Moved off the screen rather than hidden: the shell shows it again
    // whenever a full-screen window goes.
    ShowTopBar(shown) {
        const panel = Main.layoutManager.panelBox;
        panel.translation_y = shown ? 0 : -panel.height;
    }
}

function init() {
    return new TestHooks();
}
