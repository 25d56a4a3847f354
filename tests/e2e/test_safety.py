"""Only the quit command ends the editor: the library's Ctrl+Alt+End emergency exit is off."""
import harness
from common import REST, q_warns, shown, text_right


class SafetyTest(harness.VemoraTestCase):

    def test_ctrl_alt_end_keeps_unsaved_fixes(self):
        s = self.start()
        s.move(*REST)
        s.key("f")
        shown(s, lambda im: text_right(im, 20) > 0, "the fix report")
        s.key_down("ctrl")
        s.key_down("alt")
        s.key("End")
        s.key_up("alt")
        s.key_up("ctrl")
        q_warns(self, s)  # still running, and the unsaved fixes still guard the quit
        s.key_down("shift")
        s.key("q")
        s.key_up("shift")
        self.assertEqual(s.wait_exit(10), 0)
