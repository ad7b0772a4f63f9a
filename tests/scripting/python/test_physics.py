"""Collision listeners implemented by scripts, and their holders."""
import unittest

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
