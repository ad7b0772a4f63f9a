"""Collision listeners implemented by scripts, and their holders."""
import gc
import unittest
import weakref

import TolvaEngine
import tolvatest


class CollisionListeners(unittest.TestCase):
    def test_a_listener_receives_partner_and_contact_by_reference(self):
        collisions = []

        class Bump(TolvaEngine.CollisionListener):
            def collision(self, partner, contact):
                collisions.append((partner, round(contact.penetrationDepth, 2)))

        holder = tolvatest.CollisionHolder()
        bump = Bump()
        handle = holder.connect(bump)
        holder.dispatch(0.25)
        self.assertEqual([(None, 0.25)], collisions)
        handle.disconnect()
        self.assertTrue(holder.isEmpty())

    def test_a_listener_without_collision_raises_type_error_when_called(self):
        class Numb(TolvaEngine.CollisionListener):
            pass

        with self.assertRaises(TypeError):
            tolvatest.callCollisionListener(Numb(), 0.5)

    def test_a_listener_the_script_drops_lives_until_it_is_disconnected(self):
        calls = []

        class Bump(TolvaEngine.CollisionListener):
            def collision(self, partner, contact):
                calls.append(round(contact.penetrationDepth, 2))

        disconnections = {
            "through its handle": lambda holder, handle: handle.disconnect(),
            "through its holder": lambda holder, handle: holder.disconnect(handle),
        }
        for way, disconnect in disconnections.items():
            with self.subTest(way):
                del calls[:]
                holder = tolvatest.CollisionHolder()
                listener = Bump()
                alive = weakref.ref(listener)
                handle = holder.connect(listener)
                del listener
                gc.collect()
                self.assertIsNotNone(alive())
                holder.dispatch(0.5)
                self.assertEqual([0.5], calls)
                disconnect(holder, handle)
                gc.collect()
                self.assertIsNone(alive())
                self.assertFalse(handle.isConnected())
